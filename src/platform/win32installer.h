#ifndef WIN32INSTALLER_H
#define WIN32INSTALLER_H

#include <functional>
#include <memory>
#include <string>

/**
 * What running an installer needs of Windows, in plain Win32 without Qt: holding its package
 * unchanged, and administrator rights. Every handle is either returned or closed again.
 */
namespace Win32Installer {

/** How an attempt to hold a file ended. */
enum class Hold { Held, InUse, Failed };

/**
 * Opens the file at path for reading with FILE_SHARE_READ only: until releaseFile, others can
 * read it but not write, rename or delete it. handle is null unless it was held; InUse when
 * another program has it open in a way that shuts this out (a sharing or lock violation).
 */
Hold holdFile(const std::wstring &path, void *&handle);

/** Closes a handle that holdFile returned; null is ignored. */
void releaseFile(void *handle);

/** True when this process's token is elevated (TokenElevation). */
bool isElevated();

/** What starting a program came to: its process, or why there is none. */
struct Started
{
    /** The process's handle, to wait on and pass to takeExitCode; null when none started. */
    void *process = nullptr;
    /** The user refused the prompt for administrator rights (ERROR_CANCELLED). */
    bool refused = false;
};

/**
 * Starts program with parameters (a command line without the program) by CreateProcessW and,
 * when that fails with ERROR_ELEVATION_REQUIRED, through ShellExecuteExW with the "runas" verb:
 * the prompt owned by the window owner (null: none), no error boxes of the shell's own, and a
 * program on a mapped network drive started through its UNC name, which the elevated session
 * sees where it does not see the user's drive letters. Returns once the user has answered the
 * prompt, so it is called off the window's thread.
 */
Started startElevatedIfRequired(
    const std::wstring &program, const std::wstring &parameters, void *owner);

/** Work running on a thread of its own, which the program does not wait for at exit. */
struct Aside
{
    ~Aside();
    /** A manual-reset event, signalled once the work is done. */
    void *done = nullptr;
};

/** Starts work on a thread of its own; what it leaves for the caller it shares with it. */
std::shared_ptr<Aside> runAside(std::function<void()> work);

/** The outcome of a start that runs aside: started holds it once ready is signalled. */
struct StartAside
{
    std::shared_ptr<Aside> aside;
    std::shared_ptr<Started> started;
};

/** Runs startElevatedIfRequired aside, so that the window goes on painting while the prompt is
    up. */
StartAside startElevatedAside(
    const std::wstring &program, const std::wstring &parameters, void *owner);

/** The UNC name of a path on a mapped network drive (Z:\x to \\server\share\x); the path as
    it is elsewhere, or when the network cannot say. */
std::wstring universalPath(const std::wstring &path);

/** The exit code of a process that has ended; closes its handle. */
unsigned long takeExitCode(void *process);

} // namespace Win32Installer

#endif // WIN32INSTALLER_H
