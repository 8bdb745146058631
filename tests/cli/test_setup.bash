# Set-up shared by the command-line test scripts. Source it with the build
# folder and the source folder as $1 and $2:
#   source "$(dirname "$0")/test_setup.bash" "$@"
# It sets build (absolute), src, work (a folder removed on exit) and
# failures, and defines check, contains and finish_checks.
# (Named .bash so that the test list, every tests/cli/*.sh, leaves it out.)
build=$(cd "$1" && pwd)
src=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Presets saved by a desktop session on this machine must not stand in for the
# bundled ones.
export XDG_DATA_HOME="$work/xdg"
failures=0

check() { # name expected actual
    if [ "$2" != "$3" ]; then
        echo "FAIL $1: expected [$2] got [$3]"
        failures=$((failures + 1))
    fi
}

contains() { # name needle text
    case "$3" in *"$2"*) ;; *) check "$1" "...$2..." "$3" ;; esac
}

finish_checks() { # what the script tested
    if [ "$failures" -ne 0 ]; then exit 1; fi
    echo "$1: all checks passed"
}
