#ifndef WIN32INSTALLER_H
#define WIN32INSTALLER_H

#include <string>

/**
 * What running an installer needs of Windows, in plain Win32 without Qt: holding its package
 * unchanged, and administrator rights. Every handle is either returned or closed again.
 */
namespace Win32Installer {

/**
 * Opens the file at path for reading with FILE_SHARE_READ only: until releaseFile, others can
 * read it but not write, rename or delete it. Null when it cannot be opened so.
 */
void *holdFile(const std::wstring &path);

/** Closes a handle that holdFile returned; null is ignored. */
void releaseFile(void *handle);

/** True when this process's token is elevated (TokenElevation). */
bool isElevated();

/**
 * Starts program with parameters (a command line without the program) by CreateProcessW and,
 * when that fails with ERROR_ELEVATION_REQUIRED, through ShellExecuteExW with the "runas" verb.
 * The process's handle, to wait on and pass to takeExitCode; null when it did not start, with
 * refused set when the user refused the prompt (ERROR_CANCELLED).
 */
void *startElevatedIfRequired(
    const std::wstring &program, const std::wstring &parameters, bool &refused);

/** The exit code of a process that has ended; closes its handle. */
unsigned long takeExitCode(void *process);

} // namespace Win32Installer

#endif // WIN32INSTALLER_H
