#!/usr/bin/env bash
# What `make bench` runs: every benchmark program the build made.
set -euo pipefail
build=${1:-build}
found=0
for b in "$build"/bench/trevalin_*_bench; do
    [ -x "$b" ] || continue
    found=1
    echo "== $(basename "$b")"
    "$b"
done
[ "$found" -eq 1 ] || echo "no benchmarks built"
