#!/usr/bin/env bash
# trevalin-formula end to end: output format, messages and exit statuses.
set -u
source "$(dirname "$0")/test_setup.bash" "$@"
tool="$build/cli/trevalin-formula"
work_err="$work/stderr"

check "code of x + 2*3" $'5604560100000000000018404f3500\nflags 2\n6' "$("$tool" --code "x + 2*3")"
check "empty formula" $'00\nflags 7\n0' "$("$tool" --code "")"
check "records of x + 2*3" $'var x | lit 6 | op Add\nflags 2\n6' "$("$tool" --code --disasm "x + 2*3")"
check "records of r[x, 0.1] > pi" $'var x | lit 0.1 | op Red | lit 3.141592653589793 | op Greater\nflags 2\n0' \
    "$("$tool" --disasm --code "r[x, 0.1] > pi")"

err=$("$tool" --code "x +" 2>&1 >/dev/null); status=$?
check "parse error message" $'formula:1:4: parse error: unexpected end of formula, expected a value\n    x +\n       ^' "$err"
check "parse error status" 1 "$status"

# Errors and warnings in compiler style, a caret under the place.
err=$("$tool" "sin(x*3 +" 2>&1 >/dev/null); status=$?
check "unfinished formula status" 1 "$status"
check "unfinished formula" $'formula:1:10: parse error: unexpected end of formula, expected a value\n    sin(x*3 +\n             ^' "$err"
out=$("$tool" "sin(x*3 + foo)" 2>"$work_err"); status=$?
check "unknown name still runs" "0:0" "$status:$out"
check "unknown name warned" $'formula:1:11: warning: unknown name \'foo\' has no value\n    sin(x*3 + foo)\n              ^~~' "$(cat "$work_err")"
err=$("$tool" "sinn(x)" 2>&1 >/dev/null)
check "misspelt function" $'formula:1:1: parse error: \'sinn\' is not a function; did you mean \'sin\'?\n    sinn(x)\n    ^~~~' "$err"
check "clean formula is quiet" "" "$("$tool" "x + 1" 2>&1 >/dev/null)"

# Options: --help, -h, and -- before a formula that looks like one.
out=$("$tool" --help); status=$?
check "--help status" 0 "$status"
case "$out" in "usage: trevalin-formula"*) ;; *) check "--help usage" "usage: ..." "$out" ;; esac
case "$("$tool" -h)" in "usage: trevalin-formula"*) ;; *) check "-h usage" "usage" "" ;; esac
check "-- ends options" "-2" "$("$tool" -- -2)"
check "a leading minus is a formula" "-3" "$("$tool" "-3")"
"$tool" --bogus x >/dev/null 2>&1; check "unknown option" 2 $?
"$tool" x y >/dev/null 2>&1; check "two formulas" 2 $?

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
# Source images: the values come straight from the bundled BMP's bytes
# (24-bit, bottom-up, rows padded to 4 bytes).
source="$2/data/source.bmp"
byte() { od -An -tu1 -j "$1" -N 1 "$source" | tr -d ' '; }
word() { od -An -tu4 -j "$1" -N 4 "$source" | tr -d ' '; }
offset=$(word 10); width=$(word 18); height=$(word 22)
rowsize=$(( (width * 3 + 3) / 4 * 4 ))
pixel() { # column row -> "B G R"
    local at=$(( offset + (height - 1 - $2) * rowsize + $1 * 3 ))
    echo "$(byte $at) $(byte $((at + 1))) $(byte $((at + 2)))"
}
read -r B G R <<<"$(pixel 128 64)"
check "r[..] reads the red byte" "$R" "$("$tool" --source "$source" "r[0.5, 0.25]")"
check "green() reads the green byte" "$G" "$("$tool" --source "$source" "green(0.5, 0.25)")"
read -r B G R <<<"$(pixel 128 128)"
check "sample at the centre" "rgb($R, $G, $B)" "$("$tool" --source "$source" "sample(0.5, 0.5)")"
read -r B G R <<<"$(pixel 192 0)"
check "samptile wraps negative u" "rgb($R, $G, $B)" "$("$tool" --source "$source" "samptile(-0.25, 0)")"
read -r B G R <<<"$(pixel 10 20)"
check "b under the pixel" "$B" "$("$tool" --source "$source" --var px=10 --var py=20 "b")"
check "outside the image is black" 0 "$("$tool" --source "$source" "red(1, 0)")"
check "no source image reads black" "rgb(0, 0, 0)" "$("$tool" "sample(0.5, 0.5)")"

"$tool" --var bogus=1 x >/dev/null 2>&1; check "unknown variable" 2 $?
"$tool" --var x=abc x >/dev/null 2>&1; check "malformed value" 2 $?

finish_checks "formula tool"
