#ifndef WIN32ELEVATION_H
#define WIN32ELEVATION_H

#include "platform/elevation.h"

/** Elevation through the Win32 layer: the prompt is waited for on a thread of its own, the
    elevated program in the event loop. */
class Win32Elevation : public Elevation
{
public:
    bool isElevated() override;
    void startElevated(const QString &program, const QStringList &arguments, quintptr ownerWindow,
        std::function<void(Start start, int exitCode)> done) override;

    /** arguments as one Windows command line tail: an argument that is empty or holds a blank
        or a double quote is quoted, with its double quotes and the back-slashes before them
        escaped. */
    static QString commandLine(const QStringList &arguments);
};

#endif // WIN32ELEVATION_H
