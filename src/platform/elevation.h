#ifndef ELEVATION_H
#define ELEVATION_H

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

/**
 * Administrator rights for installers: whether this program has them, and starting a program
 * that cannot start without them through the shell's "runas" verb (one UAC prompt).
 */
class Elevation
{
public:
    enum class Start { Started, Refused, Failed };

    virtual ~Elevation() = default;

    /** Whether this program runs with administrator rights. */
    virtual bool isElevated() = 0;
    /** Starts program, which failed to start with this program's rights, again, with the
        administrator's where it needs them: one prompt, owned by the window ownerWindow (0:
        none), while the window goes on painting. Calls done once, from the event loop and never
        within the call: Started with the program's exit code once it has ended; Refused when
        the user refused the prompt, or Failed, with 0. */
    virtual void startElevated(const QString &program, const QStringList &arguments,
        quintptr ownerWindow, std::function<void(Start start, int exitCode)> done) = 0;
};

/** On Windows the token's elevation and ShellExecuteEx; elsewhere, with no UAC, every
    program counts as elevated and nothing is started. */
std::unique_ptr<Elevation> createElevation();

#endif // ELEVATION_H
