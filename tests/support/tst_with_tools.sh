#!/usr/bin/env bash
# Checks with-tools.sh: a test whose tool is missing is skipped on a developer's machine and
# fails under CI; with every tool present the command runs and its exit code counts.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
missing=kestrun-no-such-tool-here
failures=0

expect() { # expected-code CI-value "tools..." command...
    local expected=$1 ci=$2 tools
    read -ra tools <<<"$3"
    shift 3
    CI=$ci bash "$here/with-tools.sh" "${tools[@]}" -- "$@" >/dev/null
    local code=$?
    if ((code != expected)); then
        echo "FAIL: CI=$ci, tools ${tools[*]}, command $*: exit $code, expected $expected"
        failures=1
    fi
}

expect 77 "" "$missing" true
expect 77 false "$missing" true
expect 1 true "$missing" true
expect 0 true bash true
expect 3 true bash bash -c 'exit 3'
expect 1 true "bash $missing" bash -c 'exit 0' # the second tool is missing

((failures == 0)) && echo "PASS: with-tools.sh skips, fails and runs as it should"
exit "$failures"
