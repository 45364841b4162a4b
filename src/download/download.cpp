#include "download.h"

#include "config/configmanager.h"
#include "filemanager.h"
#include "window/windowitems.h"

using WindowItems::set;

Download::Download(QObject *parent)
    : QObject(parent)
    , fileManager(new FileManager)
{
    connect(fileManager, &FileManager::allFilesDone, this, &Download::downloadComplete);
    connect(fileManager, &FileManager::progressChanged, &statusLine, &StatusLine::changed);
    connect(&statusLine, &StatusLine::refreshDue, this, &Download::showProgress);
}

Download::~Download()
{
    delete fileManager;
}

void Download::execute(QObject *parent)
{
    if (!parent)
        return;
    downloadButton = WindowItems::find(parent, QStringLiteral("buttonDownload"));
    set(downloadButton, "enabled", false);
    set(downloadButton, "visible", false);
    installButton = WindowItems::find(parent, QStringLiteral("buttonInstall"));
    set(installButton, "enabled", false);
    set(installButton, "visible", false);
    progressBar = WindowItems::find(parent, QStringLiteral("mainProgressBar"));
    set(progressBar, "visible", true);
    set(WindowItems::find(parent, QStringLiteral("checkBoxHolder")), "visible", false);
    feedbackItem = WindowItems::find(parent, QStringLiteral("feedbackText"));
    set(feedbackItem, "text", tr("Downloading all files..."));
    set(feedbackItem, "visible", true);
    statusLine.attach(parent);
    downloadAll();
}

void Download::showProgress()
{
    const DownloadProgress progress = fileManager->getProgress();
    statusLine.show(progress.text(), progress.share());
}

void Download::downloadComplete()
{
    statusLine.cancel();
    set(feedbackItem, "text", completionMessage());
    set(feedbackItem, "visible", true);
    set(progressBar, "visible", false);
    set(installButton, "visible", false);
    set(downloadButton, "visible", false);
}

void Download::downloadAll()
{
    ConfigManager config;
    config.readConfig();
    fileManager->getFiles(config.getProductFiles());
}

QString Download::completionMessage() const
{
    // A folder beside the executable that this user cannot write may have held some already.
    const QStringList folders = fileManager->getFolders();
    const bool oneFolder = folders.size() == 1;
    const QString where = QLatin1String("\n\n") + folders.join(QLatin1Char('\n'));
    const QStringList givenUp = fileManager->getGivenUpFiles();
    if (givenUp.isEmpty())
        return (oneFolder ? tr("All files have been downloaded to the following location.")
                          : tr("All files are in the following locations."))
            + where;
    QStringList lines;
    for (const QString &item : givenUp)
        lines << fileManager->getFailureReason(item).after(item);
    return tr("The following files could not be downloaded.") + QLatin1String("\n\n")
        + lines.join(QLatin1Char('\n')) + QLatin1String("\n\n")
        + (oneFolder ? tr("Downloaded files are in the following location.")
                     : tr("The other files are in the following locations."))
        + where;
}
