#include "downloadprogress.h"

#include "report/datasize.h"

#include <QCoreApplication>

bool DownloadProgress::onlyChecking() const
{
    return fileCount == 0 && filesChecking > 0;
}

double DownloadProgress::share() const
{
    if (bytesExpected < 0 || onlyChecking())
        return -1;
    if (bytesExpected == 0)
        return filesDone < fileCount ? 0 : 1;
    return qBound(0.0, double(bytesReceived) / double(bytesExpected), 1.0);
}

QString DownloadProgress::text() const
{
    if (onlyChecking())
        return QCoreApplication::translate(
            "Download", "Checking the packages already downloaded...");
    // The concurrent transfers are counted as one after the other.
    const int current = qMin(filesDone + 1, fileCount);
    if (bytesExpected < 0)
        return QCoreApplication::translate("Download", "Downloading file %1 of %2 (%3)")
            .arg(current)
            .arg(fileCount)
            .arg(DataSize::text(bytesReceived));
    return QCoreApplication::translate("Download", "Downloading file %1 of %2 (%3 of %4)")
        .arg(current)
        .arg(fileCount)
        .arg(DataSize::text(bytesReceived), DataSize::text(bytesExpected));
}
