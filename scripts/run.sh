#!/usr/bin/env bash
# What `make run` starts: the desktop program when there is a display, otherwise
# the first bundled preset rendered to trevalin.png by the headless renderer.
set -euo pipefail
build=${1:-build}
shift || true
app="$build/app/trevalin"
if [ -x "$app" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec "$app" "$@"
fi
if [ -x "$app" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): rendering instead."
fi
out="$PWD/trevalin.png"
"$build/cli/trevalin-render" --size 512x512 -o "$out"
echo "Rendered the first bundled preset to $out"
