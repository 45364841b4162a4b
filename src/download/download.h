#ifndef DOWNLOAD_H
#define DOWNLOAD_H

#include "window/statusline.h"

#include <QObject>
#include <QPointer>

class FileManager;

/**
 * The command behind "Download All": fetches the package of every configured product, whether
 * it applies to this machine or not, into the "installs" folder and reports where they are.
 */
class Download : public QObject
{
    Q_OBJECT
public:
    explicit Download(QObject *parent = nullptr);
    ~Download() override;

public slots:
    /** Fetches every configured package; the window given as parent shows the progress. */
    void execute(QObject *parent);

private slots:
    void downloadComplete();
    void showProgress();

private:
    void downloadAll();
    QString completionMessage() const;

    FileManager *fileManager;
    QPointer<QObject> progressBar;
    QPointer<QObject> downloadButton;
    QPointer<QObject> installButton;
    QPointer<QObject> feedbackItem;
    StatusLine statusLine;
};

#endif // DOWNLOAD_H
