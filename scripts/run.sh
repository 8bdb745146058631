#!/usr/bin/env bash
# What `make run` starts: the formula tool on an example formula.
set -euo pipefail
build=${1:-build}
formula='x*x + y*y < 4'
echo "trevalin-formula --code \"$formula\""
"$build/cli/trevalin-formula" --code "$formula"
