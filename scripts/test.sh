#!/usr/bin/env bash
# Sets up, builds and runs every test of Kestrun, then the same tests built with AddressSanitizer
# and UndefinedBehaviorSanitizer (build-asan/), then every fuzz target for 30 seconds
# (build-fuzz/), and finally the README's run command on a fresh clone of the committed HEAD.
# Every stage runs; the script fails when any of them failed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
"$here/setup.sh"

failed=()
# Inside a stage errexit is off (it runs left of ||), so each step is chained with &&.
stage() {
    local name=$1
    shift
    echo "== $name"
    "$@" || failed+=("$name")
}

tests() {
    "$here/build.sh" && (cd "$root/build" && ctest --output-on-failure --timeout 600)
}

# A subshell, so that the sanitizer settings stay with these tests.
sanitized_tests() (
    local supp=$root/tests/sanitizers
    export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1
    export LSAN_OPTIONS=suppressions=$supp/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    # Left out: the benchmarks, which measure memory that the sanitizers' bookkeeping swamps, and
    # the demo, whose run of the program leaks from libraries unloaded before LeakSanitizer can
    # name them, so no suppression can single those reports out.
    cd "$root" &&
        { [[ -f build-asan/build.ninja ]] || cmake -S . -B build-asan -G Ninja \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUN_SANITIZE=ON; } &&
        cmake --build build-asan --parallel "$(nproc)" &&
        (cd build-asan &&
            ctest --output-on-failure --timeout 900 --label-exclude bench --exclude-regex '^demo$')
)

# The README's run command as a newcomer meets it: a fresh clone of the committed HEAD, no
# build folder, no display, no standard input. Its build step is what this stage checks.
fresh_clone() (
    local work
    work=$(mktemp -d) &&
        bash "$root/tests/demo/demo_test.sh" --fresh-clone "$root" "$work/clone" &&
        rm -rf "$work"
)

fuzzing() {
    local target status=0
    for target in fuzz_config fuzz_versions fuzz_digest fuzz_localname fuzz_commandline; do
        "$here/fuzz.sh" "$target" 30 || status=1
    done
    return $status
}

stage "Tests" tests
stage "Tests under AddressSanitizer and UndefinedBehaviorSanitizer" sanitized_tests
stage "Fuzzing" fuzzing
stage "The run command on a fresh clone" fresh_clone

if ((${#failed[@]})); then
    printf 'FAILED: %s\n' "${failed[@]}" >&2
    exit 1
fi
echo "All stages passed."
