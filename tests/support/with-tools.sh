#!/usr/bin/env bash
# Runs a test command only when the tools it needs are installed:
#
#   with-tools.sh <tool>... -- <command> [arguments...]
#
# A missing tool skips the test (exit 77, CTest's skip code) on a developer's machine, but fails
# it under CI (CI=true), so that a missing tool can never hide a Windows test there.
set -euo pipefail

tools=()
while (($#)) && [[ $1 != -- ]]; do
    tools+=("$1")
    shift
done
if (($# < 2)); then
    echo "usage: with-tools.sh <tool>... -- <command> [arguments...]" >&2
    exit 2
fi
shift

for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null; then
        if [[ ${CI:-} == true ]]; then
            echo "FAIL: $tool is not installed, and CI must run this test (scripts/setup.sh installs it)"
            exit 1
        fi
        echo "SKIP: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done
exec "$@"
