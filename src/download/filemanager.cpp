#include "filemanager.h"

#include <QCoreApplication>
#include <QDir>

FileManager::FileManager(QObject *parent)
    : QObject(parent)
    , installsPath(
          QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("installs")))
{ }

FileManager::~FileManager() = default;

void FileManager::getFiles(QStringList files)
{
    Q_UNUSED(files)
    emit allFilesDone();
}

QString FileManager::getInstallsPath() const
{
    return installsPath;
}

QStringList FileManager::getGivenUpFiles() const
{
    return givenUpFiles;
}

void FileManager::setStallTimeout(int msecs)
{
    stallTimeout = msecs;
}
