#!/usr/bin/env bash
# Checks that includes follow the layers: scripts/check-layout.sh [SOURCE_DIR]
#
# A folder may include only itself and the folders it is allowed to see; the
# engine folders and the command-line tools never include Qt; no include
# climbs with "../". Prints every offending line as FILE:LINE: reason and exits
# 1 when there is one. tests/, bench/ and fuzz/ may include anything.
set -euo pipefail

root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

# The one table of allowed directions: folder -> the folders it may include
# (besides itself). Bottom first.
declare -A allowed=(
    [base]=""
    [formula]="base"
    [image]="base formula"
    [render]="base formula image"
    [movie]="base formula image render"
    [presets]="base formula image render"
    [cli]="base formula image render movie presets"
    [app]="base formula image render movie presets"
)
# Folders that build without Qt.
qt_free="base formula image render movie presets cli"

status=0
report() {
    echo "$1: $2"
    status=1
}

for folder in "${!allowed[@]}"; do
    dir=$root/$folder
    [ -d "$dir" ] || continue
    no_qt=0
    [[ " $qt_free " == *" $folder "* ]] && no_qt=1
    while IFS= read -r -d '' file; do
        rel=${file#"$root"/}
        line_number=0
        while IFS= read -r line || [ -n "$line" ]; do
            line_number=$((line_number + 1))
            [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+)[\"\>] ]] || continue
            target=${BASH_REMATCH[2]}
            where="$rel:$line_number"
            if [[ $target == *../* ]]; then
                report "$where" "include climbs out of its folder: $target (name it from the top)"
                continue
            fi
            if ((no_qt)) && [[ ${BASH_REMATCH[1]} == "<" ]] &&
                [[ $target =~ ^(Q[A-Za-z0-9]*|Qt[A-Za-z]*/.*|q[a-z0-9_]*\.h)$ ]]; then
                report "$where" "Qt include in $folder/: <$target>"
                continue
            fi
            first=${target%%/*}
            [ "$first" != "$target" ] || continue # same-folder or library header
            [ -n "${allowed[$first]+set}" ] || continue # not one of ours
            [ "$first" = "$folder" ] && continue
            if [[ " ${allowed[$folder]} " != *" $first "* ]]; then
                report "$where" "$folder/ may not include $first/ ($target): includes point down"
            fi
        done <"$file"
    done < <(find "$dir" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.y' -o -name '*.inc' \) -print0)
done

if ((status == 0)); then
    echo "layout: includes point down, no Qt in ${qt_free// /, }"
fi
exit $status
