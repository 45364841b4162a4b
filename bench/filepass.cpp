// One FileManager pass, as Install and Download All run it: fetches and verifies every URL
// listed in a file (one a line) into the "installs" folder beside this executable. With
// --longest-gap it also prints the longest time the event loop went without a turn, in ms: how
// long a window would have stood still during the pass; then the most processor time the GUI
// thread spent in such a gap, which other work on the machine does not lengthen. With --recheck,
// every package is then checked again as it is just before it runs, and the gaps are those of
// that check alone.
//
// Usage: bench_filepass [--longest-gap] [--recheck] <url-list>
// Exit code 0 when every package arrived and verified (and passed its check again), 1 otherwise.

#include "download/filemanager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <memory>

namespace {

qint64 threadCpuMsecs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// A timer due every millisecond fires on the first turn of the loop after it is due, so the
// longest time between two of its firings is the longest turn.
class GapMeter : public QObject
{
public:
    GapMeter()
    {
        ticks.setTimerType(Qt::PreciseTimer);
        ticks.setInterval(1);
        connect(&ticks, &QTimer::timeout, this, [this] {
            longest = qMax(longest, sinceLast.restart());
            const qint64 cpu = threadCpuMsecs();
            longestCpu = qMax(longestCpu, cpu - cpuAtLast);
            cpuAtLast = cpu;
        });
        sinceLast.start();
        cpuAtLast = threadCpuMsecs();
        ticks.start();
    }
    qint64 longestGap() const { return qMax(longest, sinceLast.elapsed()); }
    qint64 longestCpuGap() const { return qMax(longestCpu, threadCpuMsecs() - cpuAtLast); }

private:
    QTimer ticks;
    QElapsedTimer sinceLast;
    qint64 longest = 0;
    qint64 cpuAtLast = 0;
    qint64 longestCpu = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const bool measureGaps = arguments.removeAll(QStringLiteral("--longest-gap")) > 0;
    const bool recheck = arguments.removeAll(QStringLiteral("--recheck")) > 0;
    if (arguments.size() != 1) {
        std::fputs("usage: bench_filepass [--longest-gap] [--recheck] <url-list>\n", stderr);
        return 2;
    }
    QFile list(arguments.first());
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "bench_filepass: cannot read %s\n", qPrintable(arguments.first()));
        return 2;
    }
    const QStringList urls =
        QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    std::unique_ptr<GapMeter> gaps(measureGaps && !recheck ? new GapMeter : nullptr);
    FileManager files;
    bool done = false;
    QObject::connect(&files, &FileManager::allFilesDone, &app, [&] {
        done = true;
        app.quit();
    });
    files.getFiles(urls);
    if (!done)
        app.exec();
    int unchanged = 0;
    if (recheck) {
        gaps.reset(measureGaps ? new GapMeter : nullptr);
        int answers = 0;
        QObject::connect(&files, &FileManager::unchangedChecked, &app, [&](auto, bool same) {
            unchanged += same;
            if (++answers == urls.size())
                app.quit();
        });
        for (const QString &url : urls)
            files.checkUnchanged(url);
        app.exec();
    }
    if (gaps)
        std::printf("%lld %lld\n", static_cast<long long>(gaps->longestGap()),
            static_cast<long long>(gaps->longestCpuGap()));
    const QStringList givenUp = files.getGivenUpFiles();
    for (const QString &url : givenUp)
        std::fprintf(stderr, "given up: %s\n", qPrintable(url));
    return givenUp.isEmpty() && (!recheck || unchanged == urls.size()) ? 0 : 1;
}
