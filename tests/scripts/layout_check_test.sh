#!/usr/bin/env bash
# The include-layout check against small trees with one include each: every
# row says whether the check must accept or reject it, and why.
set -uo pipefail

source_dir=$1
check=$source_dir/scripts/check-layout.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# file | include line | expected (pass/fail)
cases=(
    'formula/a.cpp|#include "base/replacement_file.h"|pass'
    'formula/a.cpp|#include "formula/arith.h"|pass'
    'formula/a.cpp|#include "scanner.h"|pass'
    'formula/a.cpp|#include <cmath>|pass'
    'formula/a.cpp|#include "image/dib_image.h"|fail'
    'formula/a.h|#include "render/document.h"|fail'
    'formula/grammar.y|#include "render/document.h"|fail'
    'image/a.cpp|#include "formula/arith.h"|pass'
    'image/a.cpp|#include "render/colour_word.h"|fail'
    'render/a.cpp|#include "image/dib_image.h"|pass'
    'render/a.cpp|#include "movie/movie_writer.h"|fail'
    'render/a.cpp|#include "presets/preset_tree.h"|fail'
    'movie/a.cpp|#include "render/frame_sink.h"|pass'
    'movie/a.cpp|#include "presets/preset_tree.h"|fail'
    'presets/a.h|#include "render/render_settings.h"|pass'
    'presets/a.h|#include "movie/movie_writer.h"|fail'
    'presets/a.cpp|#include "app/main_window.h"|fail'
    'presets/a.cpp|#include "cli/png_file.h"|fail'
    'base/a.cpp|#include "formula/arith.h"|fail'
    'cli/a.cpp|#include "movie/movie_writer.h"|pass'
    'cli/a.cpp|#include "app/main_window.h"|fail'
    'app/a.cpp|#include "cli/png_file.h"|fail'
    'app/a.cpp|#include <QWidget>|pass'
    'app/a.cpp|#include "presets/preset_tree.h"|pass'
    'render/a.cpp|#include <QString>|fail'
    'presets/a.cpp|#include <QtCore/QString>|fail'
    'movie/a.cpp|  #  include <qglobal.h>|fail'
    'cli/a.cpp|#include <QCoreApplication>|fail'
    'render/a.cpp|#include "../movie/movie_writer.h"|fail'
    'formula/a.cpp|#include "../formula/arith.h"|fail'
)

failures=0
for row in "${cases[@]}"; do
    IFS='|' read -r file include expected <<<"$row"
    tree=$work/tree
    rm -rf "$tree"
    mkdir -p "$tree/$(dirname "$file")"
    printf '// test\n%s\n' "$include" >"$tree/$file"
    if output=$(bash "$check" "$tree" 2>&1); then got=pass; else got=fail; fi
    if [ "$got" != "$expected" ]; then
        echo "FAIL: $file with '$include': expected $expected, got $got"
        echo "$output" | sed 's/^/    /'
        failures=$((failures + 1))
    elif [ "$got" = fail ] && ! grep -q "^$file:2: " <<<"$output"; then
        echo "FAIL: $file with '$include' rejected without naming $file:2"
        echo "$output" | sed 's/^/    /'
        failures=$((failures + 1))
    fi
done
echo "${#cases[@]} cases, $failures failed"
[ "$failures" -eq 0 ]
