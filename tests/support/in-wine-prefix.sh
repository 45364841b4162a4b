#!/usr/bin/env bash
# Runs a test command in a fresh Wine prefix of its own, made as the shell tests make theirs,
# and removes the prefix afterwards:
#
#   in-wine-prefix.sh <work folder> <command> [arguments...]
set -uo pipefail
work=$1
shift
rm -rf "$work"
# shellcheck source=wine.sh
source "$(dirname "$0")/wine.sh"
wine_environment "$work"
fresh_prefix
"$@"
status=$?
wineserver -k 2>/dev/null
wineserver -w
rm -rf "$work"
exit "$status"
