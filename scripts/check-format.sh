#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format makes of it (the
# repository's .clang-format): scripts/check-format.sh [SOURCE_DIR]
# Fix with: clang-format -i FILE
set -euo pipefail

root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
formatter=${CLANG_FORMAT:-clang-format}
if ! command -v "$formatter" >/dev/null; then
    echo "check-format: $formatter not found (scripts/install-deps.sh installs it)" >&2
    exit 1
fi

folders=()
for folder in base formula image render movie presets cli app tests bench fuzz; do
    [ -d "$folder" ] && folders+=("$folder")
done
mapfile -d '' files < <(find "${folders[@]}" -path fuzz/corpus -prune -o -type f \
    \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if [ ${#files[@]} -eq 0 ]; then
    echo "check-format: no C++ files under $root" >&2
    exit 1
fi
if "$formatter" --dry-run --Werror "${files[@]}"; then
    echo "format: ${#files[@]} files as clang-format writes them"
else
    echo "check-format: the files above need clang-format -i" >&2
    exit 1
fi
