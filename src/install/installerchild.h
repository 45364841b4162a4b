#ifndef INSTALLERCHILD_H
#define INSTALLERCHILD_H

#include "installcommand.h"
#include "report/failurereason.h"

#include <QObject>
#include <QProcess>

/**
 * The one process of a removal or of a package's install. Started once; ends with one
 * finished() with the process's whole exit code, or one failedToStart(), always from the event
 * loop. Its owner disposes of it after either, with deleteLater.
 */
class InstallerChild : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void start(const InstallCommand &command) = 0;

signals:
    void finished(int exitCode, QProcess::ExitStatus exitStatus);
    void failedToStart(const FailureReason &reason);
};

#endif // INSTALLERCHILD_H
