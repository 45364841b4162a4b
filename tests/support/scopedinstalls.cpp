#include "scopedinstalls.h"

#include "download/filemanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

ScopedInstalls::ScopedInstalls()
    : folder(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("installs")))
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
}

ScopedInstalls::~ScopedInstalls()
{
    QDir(folder).removeRecursively();
}

QString ScopedInstalls::filePath(const QString &name) const
{
    return QDir(folder).filePath(name);
}

bool ScopedInstalls::place(const QString &name) const
{
    const QString package = filePath(name);
    QFile file(package);
    if (!QDir().mkpath(QFileInfo(package).path()) || !file.open(QIODevice::WriteOnly))
        return false;
    file.write("package " + name.toUtf8());
    file.close();
    QFile digest(FileManager::digestPath(package));
    if (!digest.open(QIODevice::WriteOnly))
        return false;
    digest.write(FileManager::calculateMD5(package).toLatin1() + ' '
        + QFileInfo(package).fileName().toUtf8() + '\n');
    return true;
}
