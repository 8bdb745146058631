#!/usr/bin/env bash
# trevalin-formula end to end: output format, messages and exit statuses.
set -u
build=$1
tool="$build/cli/trevalin-formula"
failures=0
check() { # name expected actual
    if [ "$2" != "$3" ]; then
        echo "FAIL $1: expected [$2] got [$3]"
        failures=$((failures + 1))
    fi
}

check "code of x + 2*3" $'5604560100000000000018404f3500\nflags 2' "$("$tool" --code "x + 2*3")"
check "empty formula" $'00\nflags 7' "$("$tool" --code "")"

err=$("$tool" --code "x +" 2>&1 >/dev/null); status=$?
check "parse error message" "parse error" "$err"
check "parse error status" 1 "$status"

"$tool" >/dev/null 2>&1; check "no formula is a usage error" 2 $?

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "formula tool: all checks passed"
