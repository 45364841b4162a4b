#include "install.h"

#include "installmanager.h"

#include "rules/checkboxslots.h"
#include "window/windowitems.h"

#include <QSet>
#include <QVariant>
#include <QWindow>

Install::Install(QObject *parent)
    : QObject(parent)
    , installManager(new InstallManager)
{
    connect(installManager, &InstallManager::installsDone, this, &Install::installsComplete);
    connect(installManager, &InstallManager::downloadProgressChanged, &statusLine,
        &StatusLine::changed);
    connect(&statusLine, &StatusLine::refreshDue, this, &Install::showDownloadProgress);
    connect(installManager, &InstallManager::stepStarted, this, &Install::showStep);
    connect(installManager, &InstallManager::waitingForInstaller, this, &Install::showWaiting);
}


Install::~Install()
{
    delete installManager;
}

void Install::execute(QObject *parent)
{
    if (!parent)
        return;
    window = parent;
    progressBar = findItem(QStringLiteral("mainProgressBar"));
    setFlag(progressBar, "visible", true);
    installButton = findItem(QStringLiteral("buttonInstall"));
    setFlag(installButton, "enabled", false);
    setFlag(installButton, "visible", false);
    downloadButton = findItem(QStringLiteral("buttonDownload"));
    setFlag(downloadButton, "enabled", false);
    setFlag(downloadButton, "visible", false);

    for (int position = 0; position < CheckBoxSlots::Count; ++position)
        queueCheckBox(position);
    statusLine.attach(parent);
    // A prompt for administrator rights belongs to the window, not to the taskbar.
    if (const auto shown = qobject_cast<QWindow *>(parent))
        installManager->setOwnerWindow(shown->winId());

    // installsDone may already arrive during this call, when nothing is ticked.
    installManager->startInstalls(installQueue, removeQueue);
}

void Install::queueCheckBox(int position)
{
    const int number = position + 1;
    QObject *checkBox = findItem(WindowItems::checkBoxName(number));
    if (!checkBox)
        return;
    // Hidden boxes count too: a product that is not displayed is still installed when ticked.
    if (checkBox->property("checked") == QVariant(true)) {
        const QString file = checkBox->property("file").toString();
        const QString key = QString::number(position) + file;
        installQueue.insert(key, checkBox->property("parameters").toString());
        removeQueue.insert(key, checkBox->property("remove").toString());
        const QObject *label = findItem(WindowItems::labelName(number));
        productLabels.insert(file, label ? label->property("text").toString() : QString());
    }
    setFlag(checkBox, "enabled", false);
}

void Install::showDownloadProgress()
{
    const DownloadProgress progress = installManager->getDownloadProgress();
    statusLine.show(progress.text(), progress.share());
}

void Install::showStep(int number, int count, const QString &file, bool removal)
{
    const QString label = productLabels.value(file);
    const QString text = removal ? tr("Removing the previous version of %1").arg(label)
                                 : tr("Installing %1 (%2 of %3)").arg(label).arg(number).arg(count);
    // The bar shows the items done before this one.
    statusLine.show(text, double(number - 1) / count);
}

void Install::showWaiting(const QString &file, int tryNumber, int tries)
{
    statusLine.show(tr("Waiting for another installation to finish: %1, try %2 of %3")
                        .arg(productLabels.value(file))
                        .arg(tryNumber)
                        .arg(tries),
        -1);
}

void Install::installsComplete()
{
    statusLine.cancel();
    const bool anyFailed = installManager->sortResults();
    const QString heading = anyFailed ? tr("Failed to install the following products.")
                                      : tr("Successfully installed the following products.");
    const QStringList labels = anyFailed ? failuresInBoxOrder(installManager->failedProducts())
                                         : labelsInBoxOrder(installManager->installedProducts());

    setFlag(progressBar, "visible", false);
    setFlag(findItem(QStringLiteral("checkBoxHolder")), "visible", false);
    if (QObject *feedback = findItem(QStringLiteral("feedbackText"))) {
        feedback->setProperty("text", report(heading, labels));
        setFlag(feedback, "visible", true);
    }
}

QStringList Install::labelsInBoxOrder(const QStringList &files) const
{
    QStringList labels;
    for (const QString &file : filesInBoxOrder(files))
        labels.append(productLabels.value(file));
    return labels;
}

QStringList Install::failuresInBoxOrder(const QStringList &files) const
{
    QStringList lines;
    for (const QString &file : filesInBoxOrder(files))
        lines.append(installManager->getFailureReason(file).after(productLabels.value(file)));
    return lines;
}

QStringList Install::filesInBoxOrder(const QStringList &files) const
{
    // The outcome table keeps no order; users read the report against the boxes they ticked.
    QSet<QString> listed(files.cbegin(), files.cend());
    QStringList ordered;
    for (auto key = installQueue.keyBegin(); key != installQueue.keyEnd(); ++key) {
        const QString file = key->mid(1);
        if (listed.remove(file))
            ordered.append(file);
    }
    return ordered;
}

QObject *Install::findItem(const QString &objectName) const
{
    return WindowItems::find(window, objectName);
}

void Install::setFlag(QObject *item, const char *name, bool on)
{
    // Written as the texts "true" and "false", which the window turns into booleans.
    WindowItems::set(item, name, on ? QStringLiteral("true") : QStringLiteral("false"));
}

QString Install::report(const QString &heading, const QStringList &labels) const
{
    // The heading, an empty line, then one label per line, with no line break after the last.
    QString text = heading + QLatin1Char('\n');
    for (const QString &label : labels)
        text += QLatin1Char('\n') + label;
    // Installed short of a restart is easily read as not installed: the last line says what to do.
    if (installManager->needsRestart())
        text += QLatin1String("\n\n") + tr("Restart Windows to finish installing.");
    return text;
}
