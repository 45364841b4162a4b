#include "install.h"

#include "installmanager.h"

#include "window/windowitems.h"

#include <QSet>
#include <QVariant>

Install::Install(QObject *parent)
    : QObject(parent)
    , installManager(new InstallManager)
{
    connect(installManager, &InstallManager::installsDone, this, &Install::installsComplete);
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

    for (int position = 0; position < WindowItems::CheckBoxCount; ++position)
        queueCheckBox(position);

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

void Install::installsComplete()
{
    const bool anyFailed = installManager->sortResults();
    const QString heading = anyFailed ? tr("Failed to install the following products.")
                                      : tr("Successfully installed the following products.");
    const QStringList files =
        anyFailed ? installManager->failedProducts() : installManager->installedProducts();
    const QStringList labels = labelsInBoxOrder(files);

    setFlag(progressBar, "visible", false);
    setFlag(findItem(QStringLiteral("checkBoxHolder")), "visible", false);
    if (QObject *feedback = findItem(QStringLiteral("feedbackText"))) {
        feedback->setProperty("text", report(heading, labels));
        setFlag(feedback, "visible", true);
    }
}

QStringList Install::labelsInBoxOrder(const QStringList &files) const
{
    // The outcome table keeps no order; users read the report against the boxes they ticked.
    QSet<QString> listed(files.cbegin(), files.cend());
    QStringList labels;
    for (auto key = installQueue.keyBegin(); key != installQueue.keyEnd(); ++key) {
        const QString file = key->mid(1);
        if (listed.remove(file))
            labels.append(productLabels.value(file));
    }
    return labels;
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

QString Install::report(const QString &heading, const QStringList &labels)
{
    // The heading, an empty line, then one label per line, with no line break after the last.
    QString text = heading + QLatin1Char('\n');
    for (const QString &label : labels)
        text += QLatin1Char('\n') + label;
    return text;
}
