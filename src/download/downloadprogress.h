#ifndef DOWNLOADPROGRESS_H
#define DOWNLOADPROGRESS_H

#include <QString>

/** How far a pass over the packages has come, as the window's status line shows it. */
struct DownloadProgress
{
    /** Packages the pass fetches, and those of them that are ready or given up. */
    int fileCount = 0;
    int filesDone = 0;
    /** Bytes received, and the bytes of every package together: -1 until every pending
        transfer has announced its size. */
    qint64 bytesReceived = 0;
    qint64 bytesExpected = -1;
    /** Packages already present whose check against their digest is under way. */
    int filesChecking = 0;

    /** The share of the expected bytes received, from 0 to 1; -1 while it is unknown, and
        while the pass only checks packages already present. */
    double share() const;
    /** Such as "Downloading file 3 of 7 (120 MB of 450 MB)", sizes in the user's locale; while
        the pass only checks packages already present, says so. */
    QString text() const;

private:
    bool onlyChecking() const;
};

#endif // DOWNLOADPROGRESS_H
