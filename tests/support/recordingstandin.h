#ifndef RECORDINGSTANDIN_H
#define RECORDINGSTANDIN_H

#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

/**
 * The recorder program linked as msiexec.exe and wine (or the programs given) into a folder
 * that becomes the whole PATH, with the recorder's log folder set. Restores PATH and the log
 * folder setting when it goes, also when a test fails early.
 */
class RecordingStandIn
{
    Q_DISABLE_COPY(RecordingStandIn)
public:
    explicit RecordingStandIn(
        const QStringList &programs = {QStringLiteral("msiexec.exe"), QStringLiteral("wine")});
    ~RecordingStandIn();

    /** Children given an argument ending in argumentEnd exit with code (8 bits of it). */
    void setExitCode(const QString &argumentEnd, int code) { setOutcome(argumentEnd, code); }
    /** Children given an argument ending in argumentEnd crash (abort) after recording. */
    void setCrash(const QString &argumentEnd) { setOutcome(argumentEnd, QStringLiteral("crash")); }
    /** Lets programs other than the stand-ins be found after them, on PATH as it was. */
    void searchSystemPathToo();
    /** Children wait after recording their call until release(). */
    void hold();
    /** Lets held children, and every later one, finish. */
    void release();

    /** Every call started so far, in order: program name, then the arguments. */
    QList<QStringList> calls() const { return readLog(QStringLiteral("calls.log")); }
    /** The calls whose children have finished, in order. */
    QList<QStringList> finishedCalls() const { return readLog(QStringLiteral("finished.log")); }
    /** Whether a child started while another was still running. */
    bool overlapped() const;

private:
    void setOutcome(const QString &argumentEnd, const QJsonValue &outcome);
    QList<QStringList> readLog(const QString &name) const;

    QTemporaryDir dir;
    QByteArray savedPath;
    QByteArray savedRecorderDir;
    QJsonObject codes;
};

#endif // RECORDINGSTANDIN_H
