// Stands in for msiexec.exe and wine in the install tests, under whichever of those names it is
// linked as. It appends its program name and arguments to calls.log in the folder named by
// KESTRUN_RECORDER_DIR, waits while a file "hold" exists there, appends the same line to
// finished.log and exits with the code chosen in "codes" for the first argument it recognises,
// or crashes where the code chosen is "crash".

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

void append(const QString &path, const QStringList &call)
{
    QFile log(path);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(
            QJsonDocument(QJsonArray::fromStringList(call)).toJson(QJsonDocument::Compact) + '\n');
}

void waitWhileHeld(const QString &holdPath)
{
    // Bounded, so that a test that dies while holding leaves no process behind for long.
    for (int i = 0; i < 6000 && QFile::exists(holdPath); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

QJsonValue outcomeFor(const QString &codesPath, const QStringList &arguments)
{
    // "codes" maps an argument ending to an exit code, such as {"fix.msi": 1603}.
    QFile file(codesPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QJsonObject codes = QJsonDocument::fromJson(file.readAll()).object();
    for (const QString &argument : arguments) {
        for (auto it = codes.constBegin(); it != codes.constEnd(); ++it) {
            if (argument.endsWith(it.key()))
                return it.value();
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QString dir = qEnvironmentVariable("KESTRUN_RECORDER_DIR");
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QStringList call =
        QStringList {QFileInfo(QString::fromLocal8Bit(argv[0])).fileName()} + arguments;

    // Installers must run one at a time: a second recorder that finds the first still running
    // says so in overlaps.log.
    QFile running(dir + QStringLiteral("/running"));
    const bool alone = running.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    if (!alone)
        append(dir + QStringLiteral("/overlaps.log"), call);

    append(dir + QStringLiteral("/calls.log"), call);
    waitWhileHeld(dir + QStringLiteral("/hold"));
    if (alone)
        running.remove();
    append(dir + QStringLiteral("/finished.log"), call);
    const QJsonValue outcome = outcomeFor(dir + QStringLiteral("/codes"), arguments);
    if (outcome == QLatin1String("crash"))
        std::abort();
    return outcome.toInt();
}
