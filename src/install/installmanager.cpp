#include "installmanager.h"

#include "download/filemanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace {

enum class PackageKind { Exe, Msi, Msp, Unknown };

QString fileOf(const QString &key)
{
    // Only the index digit goes: a file called 2016fix.msi keeps its digits.
    return key.mid(1);
}

QString packageName(const QString &file)
{
    // A URL's package lies in "installs" under the decoded name FileManager stored it as
    // (my%20fix.msi as "my fix.msi", fix.msi?lang=1 as "fix.msi"); a local path's under its
    // last segment, after "/" or "\" alike.
    if (FileManager::isUrl(file))
        return FileManager::localName(file);
    const int separator =
        qMax(file.lastIndexOf(QLatin1Char('/')), file.lastIndexOf(QLatin1Char('\\')));
    return file.mid(separator + 1);
}

PackageKind packageKind(const QString &path)
{
    // Case-sensitive on purpose: SETUP.EXE and fix.MSI are not recognised.
    if (path.endsWith(QLatin1String(".exe")))
        return PackageKind::Exe;
    if (path.endsWith(QLatin1String(".msi")))
        return PackageKind::Msi;
    if (path.endsWith(QLatin1String(".msp")))
        return PackageKind::Msp;
    return PackageKind::Unknown;
}

QString locateProgram(const QString &program)
{
#ifdef Q_OS_WIN
    return program;
#else
    // QProcess looks a bare name up in this program's PATH, never in the child's. The stand-in
    // msiexec.exe ships beside the executable; one found earlier on PATH wins over it.
    QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(program, {QCoreApplication::applicationDirPath()});
    return found.isEmpty() ? program : found;
#endif
}

} // namespace

InstallManager::InstallManager(QObject *parent)
    : QObject(parent)
    , fileManager(new FileManager)
    , installsPath(
          QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("installs")))
{
    connect(fileManager, &FileManager::allFilesDone, this, &InstallManager::downloadComplete);
}

InstallManager::~InstallManager()
{
    delete fileManager;
    if (!process)
        return;
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // Destroying a running QProcess would kill the installer: it finishes on its own instead,
    // and its QProcess goes once it has ended or failed to start, if the event loop still runs.
    // Its channels are files, so these are the only errors it can report.
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process,
        &QObject::deleteLater);
    connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
}

void InstallManager::startInstalls(
    QMap<QString, QString> installQueue, QMap<QString, QString> removeQueue)
{
    this->installQueue = std::move(installQueue);
    this->removeQueue = std::move(removeQueue);
    QStringList files;
    for (auto it = this->installQueue.cbegin(); it != this->installQueue.cend(); ++it)
        files.append(fileOf(it.key()));
    fileManager->getFiles(files);
}

bool InstallManager::sortResults()
{
    bool anyFailed = false;
    for (auto it = results.cbegin(); it != results.cend(); ++it) {
        // Only 0 is a success: 3010 and 1641 (restart needed or started) are failures too.
        if (it.value() == 0) {
            installed.append(it.key());
        } else {
            failed.append(it.key());
            anyFailed = true;
        }
    }
    return anyFailed;
}

QStringList InstallManager::installedProducts() const
{
    return installed;
}

QStringList InstallManager::failedProducts() const
{
    return failed;
}

QHash<QString, int> InstallManager::getResults() const
{
    return results;
}

void InstallManager::downloadComplete()
{
    installNext();
}

void InstallManager::installNext()
{
    if (installQueue.isEmpty()) {
        emit installsDone();
        return;
    }
    const QString key = installQueue.firstKey();
    if (!isRunnable(key)) {
        // The older product stays too: removing it without a successor would leave neither.
        currentKey = key;
        recordAndAdvance(NotStarted);
        return;
    }
    const QString remove = removeQueue.value(key, QStringLiteral("false"));
    if (remove == QLatin1String("false"))
        installPackage(key, installQueue.first());
    else
        uninstallProduct(remove);
}

bool InstallManager::isRunnable(const QString &key) const
{
    // A package the download step gave up on is missing or damaged and must never run.
    return !fileManager->getGivenUpFiles().contains(fileOf(key)) && hasPackageEnding(fileOf(key));
}

bool InstallManager::hasPackageEnding(const QString &file)
{
    return packageKind(packageName(file)) != PackageKind::Unknown;
}

QString InstallManager::packagePath(const QString &key) const
{
    return QDir::toNativeSeparators(QDir(installsPath).filePath(packageName(fileOf(key))));
}

void InstallManager::uninstallProduct(const QString &remove)
{
    createProcess(&InstallManager::unInstallFinished);
    startCommand(QStringLiteral("msiexec.exe /uninstall ") + remove + QStringLiteral(" /passive"));
}

void InstallManager::unInstallFinished(int, QProcess::ExitStatus)
{
    // A failed removal does not stop the item: its package runs all the same.
    disposeOfProcess();
    installPackage(installQueue.firstKey(), installQueue.first());
}

void InstallManager::installPackage(const QString &key, const QString &parameters)
{
    createProcess(&InstallManager::installFinished);
    currentKey = key;
    const QString path = packagePath(key);
    switch (packageKind(path)) {
    case PackageKind::Exe:
        startExe(path, parameters);
        break;
    case PackageKind::Msi:
        startMsi(path, parameters);
        break;
    case PackageKind::Msp:
        startMsp(path, parameters);
        break;
    case PackageKind::Unknown:
        break; // excluded by isRunnable()
    }
}

void InstallManager::startExe(const QString &path, const QString &parameters)
{
    // Every blank separates two arguments, so two blanks in a row give an empty one.
    const QStringList arguments = parameters.split(QLatin1Char(' '), Qt::KeepEmptyParts);
#ifdef Q_OS_WIN
    startProgram(path, arguments);
#else
    startProgram(QStringLiteral("wine"), QStringList {path} + arguments);
#endif
}

void InstallManager::startMsi(const QString &path, const QString &parameters)
{
    startCommand(
        QStringLiteral("msiexec.exe /package \"") + path + QStringLiteral("\" ") + parameters);
}

void InstallManager::startMsp(const QString &path, const QString &parameters)
{
    startCommand(
        QStringLiteral("msiexec.exe /update \"") + path + QStringLiteral("\" ") + parameters);
}

void InstallManager::installFinished(int exitCode, QProcess::ExitStatus)
{
    // A crashed package counts by the code QProcess reports with the crash.
    disposeOfProcess();
    recordAndAdvance(exitCode);
}

void InstallManager::recordAndAdvance(int exitCode)
{
    results.insert(fileOf(currentKey), exitCode);
    installQueue.remove(currentKey);
    removeQueue.remove(currentKey);
    installNext();
}

void InstallManager::createProcess(FinishSlot finishSlot)
{
    process = new QProcess;
    // Nothing reads an installer's output, and no pipe to this program may outlive it: an
    // installer left running at exit must not die of a broken pipe.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this, finishSlot);

    // A child that never starts sends no finished(); it ends like one that failed. Queued,
    // because the error may be reported from inside QProcess::start().
    const QProcess *child = process;
    connect(
        process, &QProcess::errorOccurred, this,
        [this, child, finishSlot](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart && child == process)
                (this->*finishSlot)(NotStarted, QProcess::CrashExit);
        },
        Qt::QueuedConnection);
}

void InstallManager::startCommand(const QString &command)
{
    // Split as QProcess splits a command: blanks separate words, double quotes group them.
    QStringList words = QProcess::splitCommand(command);
    const QString program = words.takeFirst();
    startProgram(program, words);
}

void InstallManager::startProgram(const QString &program, const QStringList &arguments)
{
    process->setProgram(locateProgram(program));
    process->setArguments(arguments);
    process->start(QIODevice::ReadWrite);
}

void InstallManager::disposeOfProcess()
{
    // Deferred: the process may still be delivering the signal that brought us here.
    process->close();
    process->deleteLater();
}
