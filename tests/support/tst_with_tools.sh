#!/usr/bin/env bash
# Checks with-tools.sh: a test whose tool is missing is skipped on a developer's machine and
# fails under CI; with every tool present the command runs and its exit code counts.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=checks.sh
source "$here/checks.sh"
missing=kestrun-no-such-tool-here

exits() { # expected-code CI-value "tools..." command...
    local expected=$1 ci=$2 tools
    read -ra tools <<<"$3"
    shift 3
    CI=$ci bash "$here/with-tools.sh" "${tools[@]}" -- "$@" >/dev/null
    (($? == expected))
}

check "a missing tool skips the test without CI" exits 77 "" "$missing" true
check "a missing tool skips the test with CI=false" exits 77 false "$missing" true
check "a missing tool fails the test under CI" exits 1 true "$missing" true
check "with every tool present the command runs" exits 0 true bash true
check "the command's exit code counts" exits 3 true bash bash -c 'exit 3'
check "the second tool counts too" exits 1 true "bash $missing" bash -c 'exit 0'
checks_passed
