#!/usr/bin/env bash
# Runs fuzz targets one after another: scripts/fuzz.sh BUILD_DIR SECONDS TARGET...
# Each starts from fuzz/corpus/NAME (NAME is the target without "_fuzz") and
# keeps what it finds in BUILD_DIR/corpus/NAME. A crash is written into
# fuzz/corpus/NAME, where the replay tests of make test pick it up.
set -uo pipefail

build=$1 seconds=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
summary=()
for target in "$@"; do
    name=${target%_fuzz}
    seeds=$root/fuzz/corpus/$name
    work=$build/corpus/$name
    log=$build/logs/$target.log
    mkdir -p "$seeds" "$work" "$build/logs"
    echo "== $target: $seconds s, log in $log"
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$seeds/crash-" "$work" "$seeds" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2)
    line="$target: ${runs:-?} runs, coverage ${cov:-?} points, ${ft:-?} features"
    if [ $rc -ne 0 ]; then
        line="$line, FAILED (exit $rc; see $log, the input is in $seeds)"
        status=1
    fi
    echo "$line"
    summary+=("$line")
done
echo "== summary"
printf '%s\n' "${summary[@]}"
exit $status
