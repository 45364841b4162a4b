// One FileManager pass, as Install and Download All run it: fetches and verifies every URL
// listed in a file (one a line) into the "installs" folder beside this executable.
//
// Usage: bench_filepass <url-list>
// Exit code 0 when every package arrived and verified, 1 otherwise.

#include "download/filemanager.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: bench_filepass <url-list>\n", stderr);
        return 2;
    }
    QFile list(QString::fromLocal8Bit(argv[1]));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "bench_filepass: cannot read %s\n", argv[1]);
        return 2;
    }
    const QStringList urls =
        QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    FileManager files;
    bool done = false;
    QObject::connect(&files, &FileManager::allFilesDone, &app, [&] {
        done = true;
        app.quit();
    });
    files.getFiles(urls);
    if (!done)
        app.exec();
    const QStringList givenUp = files.getGivenUpFiles();
    for (const QString &url : givenUp)
        std::fprintf(stderr, "given up: %s\n", qPrintable(url));
    return givenUp.isEmpty() ? 0 : 1;
}
