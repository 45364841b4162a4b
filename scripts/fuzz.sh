#!/usr/bin/env bash
# Builds one libFuzzer target with clang into build-fuzz/ and runs it for SECONDS (default 30),
# starting from its seeds in tests/fuzz/seeds/TARGET (fuzz_config also from the configurations
# in docs/ and demo/, as they stand). New inputs it finds are kept in
# build-fuzz/corpus/TARGET; an input that crashes it is saved in build-fuzz/crashes/ and the
# script fails.
#   scripts/fuzz.sh TARGET [SECONDS]     targets: fuzz_config fuzz_versions fuzz_digest
#                                        fuzz_localname fuzz_commandline
set -euo pipefail
(($# >= 1)) || { sed -n '2,8p' "$0" >&2; exit 2; }
target=$1
seconds=${2:-30}
cd "$(dirname "$0")/.."
root=$PWD
seeds=$root/tests/fuzz/seeds/$target
[[ -d $seeds ]] || { echo "fuzz: no seeds for $target in $seeds" >&2; exit 2; }

# Quiet while it works, the compiler's messages shown when the build fails.
built() { # command...
    local log
    log=$(mktemp)
    "$@" >"$log" 2>&1 || { cat "$log" >&2; rm -f "$log"; echo "fuzz: building $target failed" >&2; exit 1; }
    rm -f "$log"
}
if [[ ! -f build-fuzz/build.ninja ]]; then
    built env CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKESTRUN_FUZZ=ON
fi
built cmake --build build-fuzz --target "$target"

corpus=$root/build-fuzz/corpus/$target
crashes=$root/build-fuzz/crashes
mkdir -p "$corpus" "$crashes"
if [[ $target == fuzz_config ]]; then
    cp docs/kestrun.json "$corpus/docs-kestrun.json"
    cp demo/kestrun.json "$corpus/demo-kestrun.json"
fi
# Qt is not instrumented: leaks inside its caches at exit are not ours.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export QT_QPA_PLATFORM=offscreen
cd "build-fuzz/fuzz/$target"
set +e
"./$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$crashes/$target-" -print_final_stats=1 "$corpus" "$seeds" 2>&1 |
    grep -v '^#[0-9]*[[:space:]]*\(NEW\|REDUCE\|pulse\)'
status=${PIPESTATUS[0]}
set -e
if ((status)); then
    echo "fuzz: $target failed (exit code $status); its input is in $crashes" >&2
    exit 1
fi
echo "fuzz: $target ran ${seconds}s without a crash"
