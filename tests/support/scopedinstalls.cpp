#include "scopedinstalls.h"

#include "download/packagefiles.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QCryptographicHash>
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
    const QByteArray contents = "package " + name.toUtf8();
    return write(name, contents)
        && TestFiles::writeFile(PackageFiles::digestPath(package),
            QCryptographicHash::hash(contents, QCryptographicHash::Md5).toHex() + ' '
                + QFileInfo(package).fileName().toUtf8() + '\n');
}
