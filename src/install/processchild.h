#ifndef PROCESSCHILD_H
#define PROCESSCHILD_H

#include "installerchild.h"

#include <QPointer>

class Elevation;

/**
 * An installer's process as the system runs it: msiexec by its full path in the system folder
 * on Windows (elsewhere the msiexec.exe found on PATH or beside the executable, and an .exe
 * through Wine). An .exe that cannot start without administrator rights is started again
 * through elevation, with one prompt owned by the window.
 */
class ProcessChild : public InstallerChild
{
    Q_OBJECT
public:
    /** elevation outlives the child; ownerWindow owns the prompt (0: none). */
    ProcessChild(Elevation &elevation, quintptr ownerWindow, QObject *parent = nullptr);
    /** Leaves a process that still runs alone: it finishes on its own, unobserved. */
    ~ProcessChild() override;

    void start(const InstallCommand &command) override;

private:
    void notStarted(QProcess::ProcessError error);
    void startElevated();

    Elevation &elevation;
    quintptr ownerWindow;
    InstallCommand command;
    QPointer<QProcess> process;
};

#endif // PROCESSCHILD_H
