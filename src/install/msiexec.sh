#!/bin/sh
# msiexec.exe for systems without the Windows Installer: the build places this script beside
# the kestrun executable under the name msiexec.exe. It hands its command line to Wine's
# msiexec when Wine is installed; otherwise it fails as Windows Installer fails a package.

if ! command -v wine >/dev/null 2>&1; then
    echo "msiexec.exe: the Windows Installer is not available here (Wine is not installed)" >&2
    exit 67 # ERROR_INSTALL_FAILURE (1603), cut to the 8 bits of a Unix exit status
fi

# Wine's msiexec wants Windows paths: turn every absolute path that exists into one.
for argument do
    shift
    if [ "${argument#/}" != "$argument" ] && [ -e "$argument" ]; then
        argument=$(winepath -w "$argument" 2>/dev/null || printf '%s' "$argument")
    fi
    set -- "$@" "$argument"
done

# By its full path: Wine would look for a bare msiexec.exe in the current folder first, and
# find this script again when it runs from beside the executable.
exec wine 'C:\windows\system32\msiexec.exe' "$@"
