#include "scopedinstalls.h"

#include "download/filemanager.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

ScopedInstalls::ScopedInstalls()
{
    remove();
    QDir().mkpath(path());
}

ScopedInstalls::~ScopedInstalls()
{
    remove();
}

QString ScopedInstalls::path()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("installs"));
}

QStringList ScopedInstalls::entries()
{
    return QDir(path()).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QString ScopedInstalls::filePath(const QString &name)
{
    return QDir(path()).filePath(name);
}

bool ScopedInstalls::write(const QString &name, const QByteArray &contents)
{
    const QString file = filePath(name);
    return QDir().mkpath(QFileInfo(file).path()) && TestFiles::writeFile(file, contents);
}

void ScopedInstalls::remove()
{
    QFile::remove(path());
    QDir(path()).removeRecursively();
}

bool ScopedInstalls::place(const QString &name)
{
    const QString package = filePath(name);
    return write(name, "package " + name.toUtf8())
        && TestFiles::writeFile(FileManager::digestPath(package),
            FileManager::calculateMD5(package).toLatin1() + ' '
                + QFileInfo(package).fileName().toUtf8() + '\n');
}
