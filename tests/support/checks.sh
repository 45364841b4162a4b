# shellcheck shell=bash
# The shell tests' checks, sourced: each check prints "ok" or "FAIL" with its description and
# counts its failure, so that one run shows every check; checks_passed ends the test.
failures=0
check() { # description, command...
    local description=$1
    shift
    if "$@"; then echo "ok: $description"; else echo "FAIL: $description"; failures=$((failures + 1)); fi
}
checks_passed() { # true when every check passed, else says how many failed
    ((failures == 0)) && return
    echo "$failures check(s) failed"
    return 1
}
not() { ! "$@"; }

# Polls a command for up to a number of seconds.
within() { # seconds, command...
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 1
    done
}

# A missing prerequisite skips the test (exit 77, CTest's skip code) on a developer's machine,
# but fails it under CI (CI=true), so that nothing missing can hide a test there.
missing_prerequisite() { # what is missing, how to get it
    if [[ ${CI:-} == true ]]; then
        echo "FAIL: $1, and CI must run this test ($2)"
        exit 1
    fi
    echo "SKIP: $1 ($2)"
    exit 77
}

# shellcheck source=../../scripts/x-window.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x-window.sh"

# Starts Xvfb as start_xvfb does and exports DISPLAY; its process in xvfb.
start_display() { # file for the display number
    start_xvfb "$1" || { echo "FAIL: Xvfb did not start"; exit 1; }
    DISPLAY=:$(cat "$1")
    export DISPLAY
}
