#!/usr/bin/env bash
# Runs a test command only when the tools it needs are installed:
#
#   with-tools.sh <tool>... -- <command> [arguments...]
#
# A missing tool skips the test on a developer's machine, but fails it under CI (CI=true).
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

# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null ||
        missing_prerequisite "$tool is not installed" "scripts/setup.sh installs it"
done
exec "$@"
