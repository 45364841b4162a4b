#ifndef INSTALL_H
#define INSTALL_H

#include "window/statusline.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>

class InstallManager;

/**
 * The command behind "Install": reads the ticked check boxes of the window, locks the window,
 * runs their packages through an InstallManager and replaces the check boxes with a report
 * of the products that failed or, when none failed, of those that were installed.
 */
class Install : public QObject
{
    Q_OBJECT
public:
    explicit Install(QObject *parent = nullptr);
    ~Install() override;

    /** The manager of the run, where a test puts its stand-ins. */
    InstallManager &manager() const { return *installManager; }

public slots:
    /** Installs the ticked products of the window given as parent; returns while they run. */
    void execute(QObject *parent);

private slots:
    void installsComplete();
    void showDownloadProgress();
    void showStep(int number, int count, const QString &file, bool removal);
    void showWaiting(const QString &file, int tryNumber, int tries);

private:
    QObject *findItem(const QString &objectName) const;
    void queueCheckBox(int position);
    /** The labels of files, in the order of their check boxes. */
    QStringList labelsInBoxOrder(const QStringList &files) const;
    /** The failed files' labels, each followed by why it failed, in the order of the boxes. */
    QStringList failuresInBoxOrder(const QStringList &files) const;
    QStringList filesInBoxOrder(const QStringList &files) const;
    static void setFlag(QObject *item, const char *name, bool on);
    QString report(const QString &heading, const QStringList &labels) const;

    InstallManager *installManager;
    QPointer<QObject> window;
    QPointer<QObject> progressBar;
    QPointer<QObject> installButton;
    QPointer<QObject> downloadButton;
    QMap<QString, QString> installQueue;
    QMap<QString, QString> removeQueue;
    QHash<QString, QString> productLabels;
    StatusLine statusLine;
};

#endif // INSTALL_H
