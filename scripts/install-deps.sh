#!/usr/bin/env bash
# Installs every Debian package Trevalin needs to build, test and run.
# Quick when everything is present; uses sudo only when not root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config bison
    clang-14 libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libpng-dev libhwy-dev
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev ffmpeg
    parallel
    qt6-base-dev qt6-base-dev-tools libgl-dev libx11-dev
    desktop-file-utils appstream shared-mime-info dbus-daemon dpkg-dev
)

# Only for scripts/first-start-shot.sh (the README's screenshot): not needed to build or test.
if [ "${1:-}" = "--screenshot" ]; then
    packages+=(xvfb xauth imagemagick x11-utils)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
