#ifndef DOWNLOAD_H
#define DOWNLOAD_H

#include <QObject>

/** The command behind "Download All". */
class Download : public QObject
{
    Q_OBJECT
public:
    explicit Download(QObject *parent = nullptr);

public slots:
    /** Fetches every configured package; the window given as parent shows the progress. */
    void execute(QObject *parent);
};

#endif // DOWNLOAD_H
