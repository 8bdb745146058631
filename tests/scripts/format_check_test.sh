#!/usr/bin/env bash
# The format check on a one-file tree: it accepts a file as clang-format writes
# it and rejects the same file with one line misformatted.
set -uo pipefail

source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$source_dir/.clang-format" "$work/"
mkdir -p "$work/formula"

# text | expected
cases=(
    $'int twice(int x) {\n    return 2 * x;\n}\n|pass'
    $'int twice(int x) {\n    return 2*x;\n}\n|fail'
    $'int twice(int x)\n{\n    return 2 * x;\n}\n|fail'
    $'#include <vector>\n#include <cmath>\n|fail'
)
failures=0
for row in "${cases[@]}"; do
    text=${row%|*}
    expected=${row##*|}
    printf '%s' "$text" >"$work/formula/a.cpp"
    if output=$(bash "$source_dir/scripts/check-format.sh" "$work" 2>&1); then got=pass; else got=fail; fi
    if [ "$got" != "$expected" ]; then
        echo "FAIL: expected $expected, got $got for:"
        printf '%s' "$text" | sed 's/^/    /'
        echo "$output" | sed 's/^/    /'
        failures=$((failures + 1))
    fi
done
echo "${#cases[@]} cases, $failures failed"
[ "$failures" -eq 0 ]
