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
        administrator's where it needs them, and calls finished with its exit code once it has
        ended; finished is called only after Started. Refused: the user refused the prompt. */
    virtual Start startElevated(const QString &program, const QStringList &arguments,
        std::function<void(int exitCode)> finished) = 0;
};

/** On Windows the token's elevation and ShellExecuteEx; elsewhere, with no UAC, every
    program counts as elevated and nothing is started. */
std::unique_ptr<Elevation> createElevation();

#endif // ELEVATION_H
