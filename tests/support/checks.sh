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
