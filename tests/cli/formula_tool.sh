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

check "code of x + 2*3" $'5604560100000000000018404f3500\nflags 2\n6' "$("$tool" --code "x + 2*3")"
check "empty formula" $'00\nflags 7\n0' "$("$tool" --code "")"

err=$("$tool" --code "x +" 2>&1 >/dev/null); status=$?
check "parse error message" "parse error" "$err"
check "parse error status" 1 "$status"

"$tool" >/dev/null 2>&1; check "no formula is a usage error" 2 $?

# Evaluation: numbers with %.17g, triples as rgb(...), variables and the limit.
check "right-associative power" 512 "$("$tool" "2^3^2")"
check "triple" "rgb(10, 20, 30)" "$("$tool" "rgb(10,20,30)")"
check "triple used as a number" 30 "$("$tool" "rgb(10,20,30) + 0")"
check "mandel at (1, 0)" 2 "$("$tool" --var x=1 --var y=0 "mandel()")"
check "mandel at (0, 0) never escapes" 0 "$("$tool" --var x=0 --var y=0 "mandel()")"
check "full precision" 0.10000000000000001 "$("$tool" "0.1")"
check "unset image width is 256" 256 "$("$tool" "pw + 0")"
check "integer variables truncate" 3 "$("$tool" --var px=3.9 "px")"
check "code, then the value" $'5604560100000000000018404f3500\nflags 2\n6.5' \
    "$("$tool" --code --var x=0.5 "x + 2*3")"
# The limit only shows through a slow escape: c = 0.26 leaves after 30 steps.
check "escape within the default limit" 30 "$("$tool" --var x=0.26 "mandel()")"
check "a limit under 64 stays 64" 30 "$("$tool" --recursion 10 --var x=0.26 "mandel()")"
"$tool" --var bogus=1 x >/dev/null 2>&1; check "unknown variable" 2 $?
"$tool" --var x=abc x >/dev/null 2>&1; check "malformed value" 2 $?

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "formula tool: all checks passed"
