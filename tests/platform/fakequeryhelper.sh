#!/usr/bin/env bash
# Stands in for "wine kestrun-query.exe" in the tests of WineSystemQueries: speaks the helper's
# line protocol with answers from a small table of a known Windows, or fails in the way mode
# names. Every start, request and end of input is appended to the log file.
#
# Usage: fakequeryhelper.sh <mode> <log file>
#   answering    greets and answers
#   late-greeting   greets after longer than an answer may take, then answers
#   no-greeting  greets with something else
#   dies         exits at the first request
#   silent       reads requests and never answers
#   nonsense     answers "maybe"
#   unknown      answers "?", as the helper does to a request it does not understand
#   textless     answers "yes" to a version request, without the version
mode=$1
log=$2
tab=$'\t'
echo start >>"$log"
[[ $mode == late-greeting ]] && sleep 3
if [[ $mode == no-greeting ]]; then echo "hello"; else echo "kestrun-query 1"; fi
while IFS= read -r line; do
    echo "ask $line" >>"$log"
    case $mode in
        dies) exit 3 ;;
        silent) continue ;;
        nonsense) echo maybe; continue ;;
        unknown) echo "?"; continue ;;
        textless) echo yes; continue ;;
    esac
    case $line in
        amd64) echo no ;;
        "installed$tab{A}" | "installed$tab{B}") echo yes ;;
        "version$tab{A}") echo "yes${tab}14.2.31" ;;
        "version$tab{B}") echo "yes$tab" ;;
        "value$tab"*"${tab}SOFTWARE\\Corvane${tab}InstalledBy") echo yes ;;
        "value${tab}default${tab}SOFTWARE\\Corvane${tab}") echo yes ;;
        *) echo no ;;
    esac
done
echo end >>"$log"
