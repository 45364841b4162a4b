#include "recordingstandin.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

const char recorderDirVariable[] = "KESTRUN_RECORDER_DIR";

} // namespace

RecordingStandIn::RecordingStandIn(const QStringList &programs)
    : savedPath(qgetenv("PATH"))
    , savedRecorderDir(qgetenv(recorderDirVariable))
{
    const QString bin = dir.filePath(QStringLiteral("bin"));
    bool made = dir.isValid() && QDir().mkpath(bin);
    for (const QString &program : programs)
        made = made && QFile::link(QStringLiteral(KESTRUN_RECORDER), bin + '/' + program);
    // Without them no test of the stand-in could run.
    if (!made)
        qFatal("the recording stand-ins cannot be made in %s", qPrintable(dir.path()));
    // Nothing but the stand-ins is found, so a real wine or msiexec can never be reached.
    qputenv("PATH", QFile::encodeName(bin));
    qputenv(recorderDirVariable, QFile::encodeName(dir.path()));
}

RecordingStandIn::~RecordingStandIn()
{
    release();
    qputenv("PATH", savedPath);
    if (savedRecorderDir.isNull())
        qunsetenv(recorderDirVariable);
    else
        qputenv(recorderDirVariable, savedRecorderDir);
}

void RecordingStandIn::setOutcome(const QString &argumentEnd, const QJsonValue &outcome)
{
    codes.insert(argumentEnd, outcome);
    QFile file(dir.filePath(QStringLiteral("codes")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(codes).toJson());
}

void RecordingStandIn::searchSystemPathToo()
{
    qputenv("PATH", qgetenv("PATH") + ':' + savedPath);
}

void RecordingStandIn::hold()
{
    QFile(dir.filePath(QStringLiteral("hold"))).open(QIODevice::WriteOnly);
}

void RecordingStandIn::release()
{
    QFile::remove(dir.filePath(QStringLiteral("hold")));
}

bool RecordingStandIn::overlapped() const
{
    return QFile::exists(dir.filePath(QStringLiteral("overlaps.log")));
}

QList<QStringList> RecordingStandIn::readLog(const QString &name) const
{
    QList<QStringList> entries;
    QFile log(dir.filePath(name));
    if (!log.open(QIODevice::ReadOnly))
        return entries;
    while (!log.atEnd()) {
        // A line without its end is still being written.
        const QByteArray line = log.readLine();
        if (!line.endsWith('\n'))
            break;
        const QJsonArray call = QJsonDocument::fromJson(line).array();
        QStringList entry;
        for (const QJsonValue &word : call)
            entry << word.toString();
        entries << entry;
    }
    return entries;
}
