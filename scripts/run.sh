#!/usr/bin/env bash
# Sets up, builds and plays Kestrun's demo (scripts/demo.sh): the demo packages served on
# 127.0.0.1, a Wine prefix of the demo's own, and the window; without a display the demo plays
# itself on a virtual one and prints the report. Works from a fresh clone: it builds everything
# the shipped folder holds.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

# One line before each long step, so that nobody waits without knowing for what; a failure names
# the step and what to do about it.
step() { # what, how long, what to do when it fails, command...
    local what=$1 duration=$2 advice=$3
    shift 3
    echo "run: $what ($duration)"
    "$@" || {
        local status=$?
        echo "run: failed while ${what,} (exit code $status). $advice" >&2
        exit "$status"
    }
}

step "Checking the Debian packages Kestrun needs" "apt takes a few minutes when some are missing" \
    "Run it as root on Debian 12 with access to Debian's package mirror; apt's message is above." \
    "$here/setup.sh"
step "Building Kestrun, the query helper and the demo packages into build/" \
    "about 2 minutes on 2 cores the first time, seconds after" \
    "The compiler's message is above; run scripts/run.sh again once it is fixed, or delete build/ to configure afresh." \
    "$here/build.sh" kestrun_shipped kestrun_demo_packages
step "Playing the demo" "about a minute; the first run also prepares its Wine prefix" \
    "demo.sh's message is above; delete build/demo-run to start the demo over." \
    "$here/demo.sh" "$here/../build"
