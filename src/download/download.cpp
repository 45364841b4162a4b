#include "download.h"

#include "config/configmanager.h"
#include "filemanager.h"

namespace {

QObject *findObject(QObject *window, const char *name)
{
    return window->findChild<QObject *>(QLatin1String(name), Qt::FindChildrenRecursively);
}

// The window may already be gone when a late pass ends.
void setIfPresent(QObject *object, const char *name, const QVariant &value)
{
    if (object)
        object->setProperty(name, value);
}

} // namespace

Download::Download(QObject *parent)
    : QObject(parent)
    , fileManager(new FileManager)
{
    connect(fileManager, &FileManager::allFilesDone, this, &Download::downloadComplete);
}

Download::~Download()
{
    delete fileManager;
}

void Download::execute(QObject *parent)
{
    if (!parent)
        return;
    downloadButton = findObject(parent, "buttonDownload");
    setIfPresent(downloadButton, "enabled", false);
    setIfPresent(downloadButton, "visible", false);
    installButton = findObject(parent, "buttonInstall");
    setIfPresent(installButton, "enabled", false);
    setIfPresent(installButton, "visible", false);
    progressBar = findObject(parent, "mainProgressBar");
    setIfPresent(progressBar, "visible", true);
    setIfPresent(findObject(parent, "checkBoxHolder"), "visible", false);
    feedbackItem = findObject(parent, "feedbackText");
    setIfPresent(feedbackItem, "text", tr("Downloading all files..."));
    setIfPresent(feedbackItem, "visible", true);
    downloadAll();
}

void Download::downloadComplete()
{
    setIfPresent(feedbackItem, "text", completionMessage());
    setIfPresent(feedbackItem, "visible", true);
    setIfPresent(progressBar, "visible", false);
    setIfPresent(installButton, "visible", false);
    setIfPresent(downloadButton, "visible", false);
}

void Download::downloadAll()
{
    ConfigManager config;
    config.readConfig();
    fileManager->getFiles(config.getProductFiles());
}

QString Download::completionMessage() const
{
    const QString folder = fileManager->getInstallsPath();
    const QStringList givenUp = fileManager->getGivenUpFiles();
    if (givenUp.isEmpty())
        return tr("All files have been downloaded to the following location.")
            + QLatin1String("\n\n") + folder;
    return tr("The following files could not be downloaded.") + QLatin1String("\n\n")
        + givenUp.join(QLatin1Char('\n')) + QLatin1String("\n\n")
        + tr("Downloaded files are in the following location.") + QLatin1String("\n\n") + folder;
}
