# Sourced by the tests of kestrun.exe: a missing Windows build skips the test (exit 77, CTest's
# skip code) on a developer's machine, but fails it under CI (CI=true), like a missing tool.
require_windows_build() { # shipped folder
    [[ -f $1/kestrun.exe ]] && return
    if [[ ${CI:-} == true ]]; then
        echo "FAIL: no kestrun.exe in $1, and CI must run this test (bash scripts/build-windows.sh)"
        exit 1
    fi
    echo "SKIP: no kestrun.exe in $1 (bash scripts/build-windows.sh builds it)"
    exit 77
}
