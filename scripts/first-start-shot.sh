#!/usr/bin/env bash
# A first start as a new user sees it: Trevalin on a 1400 x 950 X screen (Xvfb)
# with empty settings and data folders. Checks that within a few seconds the
# window is at least 1000 pixels wide and the picture pane is not black, and
# saves the whole screen as the screenshot.
#   scripts/first-start-shot.sh [BUILD_DIR] [OUT.png]
# Needs: scripts/install-deps.sh --screenshot (Xvfb, ImageMagick, xwininfo).
set -euo pipefail
build=${1:-build}
out=${2:-docs/screenshot.png}
wait_seconds=${WAIT_SECONDS:-6}
app=$(realpath "$build/app/trevalin")
out=$(realpath -m "$out")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/run"
chmod 700 "$tmp/run"

cat > "$tmp/inside.sh" <<'INSIDE'
set -euo pipefail
cd "$HOME"
"$APP" & pid=$!
sleep "$WAIT_SECONDS"
# The program's top-level window: the widest one named Trevalin.
geometry=$(xwininfo -root -tree | grep -i 'Trevalin' | grep -o '[0-9]\+x[0-9]\++[0-9]\++[0-9]\+' |
    sort -t x -k1,1nr | head -n 1)
import -window root "$OUT"
kill "$pid"; wait "$pid" 2>/dev/null || true
echo "window $geometry"
INSIDE

result=$(env -i PATH="$PATH" HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" \
    XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/run" APP="$app" OUT="$out" \
    WAIT_SECONDS="$wait_seconds" \
    xvfb-run -a -s '-screen 0 1400x950x24' bash "$tmp/inside.sh")
echo "$result"
geometry=${result#window }
width=${geometry%%x*}
rest=${geometry#*x}
height=${rest%%+*}
if [ -z "$width" ] || [ "$width" -lt 1000 ]; then
    echo "FAIL: the window is ${width:-?} pixels wide, less than 1000" >&2
    exit 1
fi
# The image pane: the left half of the window below its menus and toolbar.
x=$(echo "$geometry" | cut -d+ -f2)
y=$(echo "$geometry" | cut -d+ -f3)
pane="$((width / 2))x$((height / 2))+$((x + width / 8))+$((y + height / 4))"
# The share of the pane's pixels that are not (nearly) black.
lit=$(convert "$out" -crop "$pane" +repage -colorspace Gray -threshold 6% -format '%[fx:mean]' info:)
echo "window ${width}x${height}; picture pane $pane: share of lit pixels $lit"
if awk "BEGIN { exit !($lit < 0.05) }"; then
    echo "FAIL: the picture pane is black" >&2
    exit 1
fi
# The README shows the window, not the empty screen around it.
convert "$out" -crop "${width}x${height}+${x}+${y}" +repage "$out"
echo "saved $out"
