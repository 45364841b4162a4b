#include "programsession.h"

#include "download/filemanager.h"

#include "testfiles.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

#include <unistd.h>

namespace {

constexpr int PollInterval = 200;
constexpr int ToolTimeout = 15000;

// A hard link keeps the program's own folder its application directory; a copy does as well.
bool placeProgram(const QString &target)
{
    const QByteArray source = QFile::encodeName(QStringLiteral(KESTRUN_EXECUTABLE));
    return ::link(source.constData(), QFile::encodeName(target).constData()) == 0
        || QFile::copy(QStringLiteral(KESTRUN_EXECUTABLE), target);
}

} // namespace

ProgramSession::ProgramSession(int dpi)
    : dir(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("session-XXXXXX")))
    , xdotool(QStandardPaths::findExecutable(QStringLiteral("xdotool")))
{
    // QSignalSpy records QProcess::finished only with its argument types registered.
    qRegisterMetaType<QProcess::ExitStatus>();
    valid = dir.isValid() && placeProgram(dir.filePath(QStringLiteral("kestrun")))
        && (dpi == 0 || startDisplay(dpi));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
}

ProgramSession::~ProgramSession()
{
    for (QProcess *process : {&program, &xvfb}) {
        process->kill();
        process->waitForFinished(5000);
    }
}

bool ProgramSession::startDisplay(int dpi)
{
    // Xvfb gives Qt the screen's size in whole millimetres: at 96, 144 and 192 dpi, 2880 pixels
    // are exactly 762, 508 and 381 mm, so the scaling comes out exact as on Windows.
    xvfb.start(QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
            QStringLiteral("-dpi"), QString::number(dpi), QStringLiteral("-nolisten"),
            QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
            QStringLiteral("2880x2880x24")});
    // Xvfb writes its display number once it accepts clients.
    while (!xvfb.canReadLine() && xvfb.waitForReadyRead(ToolTimeout)) { }
    display = QString::fromLatin1(xvfb.readLine().trimmed());
    return !display.isEmpty();
}

QString ProgramSession::installsPath() const
{
    return dir.filePath(QStringLiteral("installs"));
}

QString ProgramSession::perUserInstallsPath() const
{
    // The program's folder under the session's data folder, where the test's own is elsewhere.
    const QString testsDataRoot =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return dir.filePath(QStringLiteral("data"))
        + FileManager::perUserInstallsPath(dir.path()).mid(testsDataRoot.size());
}

bool ProgramSession::writeConfig(const QByteArray &contents)
{
    return TestFiles::writeFile(dir.filePath(QStringLiteral("kestrun.json")), contents);
}

bool ProgramSession::show(int timeoutMs)
{
    program.setProcessEnvironment(environment());
    program.setWorkingDirectory(dir.path());
    program.start(dir.filePath(QStringLiteral("kestrun")), {});
    return program.waitForStarted(ToolTimeout) && findWindow(timeoutMs);
}

bool ProgramSession::start(int timeoutMs)
{
    return show(timeoutMs)
        && waitFor(
            [](const QString &reading) { return reading.contains("button: Exit"); }, timeoutMs);
}

QProcessEnvironment ProgramSession::environment() const
{
    // Taken afresh, so that the program sees the PATH a test has set since.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    if (!display.isEmpty())
        environment.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + display);
    // The screen's own scaling, as a user's desktop sets it.
    for (const char *setting :
        {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
            "QT_ENABLE_HIGHDPI_SCALING", "QT_QPA_PLATFORM", "QT_FONT_DPI"})
        environment.remove(QLatin1String(setting));
    // Qt Quick's own renderer: Mesa's GL driver, unloaded as the window closes, leaves
    // allocations behind that LeakSanitizer can no longer name. The demo shows GL rendering.
    environment.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    return environment;
}

bool ProgramSession::findWindow(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const QStringList search {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
        QStringLiteral("--pid"), QString::number(program.processId())};
    do {
        QByteArray found;
        if (runTool(xdotool, search, ToolTimeout, &found) && !found.trimmed().isEmpty()) {
            window = QString::fromLatin1(found.split('\n').first());
            return true;
        }
        QTest::qWait(PollInterval);
    } while (!deadline.hasExpired() && program.state() == QProcess::Running);
    return false;
}

bool ProgramSession::click(const QPoint &at)
{
    return runTool(xdotool,
        {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(at.x()),
            QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")},
        ToolTimeout);
}

bool ProgramSession::pressKeys(const QStringList &keys)
{
    return runTool(xdotool, QStringList {"key", "--window", window} + keys, ToolTimeout);
}

bool ProgramSession::waitFor(const Condition &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // The reader runs under the system's Python, which has the accessibility bindings.
    const QString reader = QStringLiteral(KESTRUN_WINDOW_READER);
    const QStringList arguments {QStringLiteral("--timeout"), QStringLiteral("5")};
    do {
        QByteArray output;
        if (runTool(reader, arguments, ToolTimeout, &output)) {
            reading = QString::fromUtf8(output);
            if (condition(reading))
                return true;
        }
        QTest::qWait(PollInterval);
    } while (!deadline.hasExpired() && program.state() == QProcess::Running);
    return false;
}

int ProgramSession::exitByButton(int timeoutMs)
{
    // Listening before the click: the program may end while the click's tool is waited for.
    QSignalSpy finished(&program, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    if (program.state() != QProcess::Running || !click(Exit))
        return -1;
    if (finished.isEmpty() && !finished.wait(timeoutMs))
        return -1;
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
}

const QStringList &ProgramSession::reportHeadings()
{
    // The status line also shows text while the buttons are gone; only a report has these.
    static const QStringList headings {
        QStringLiteral("Successfully installed the following products."),
        QStringLiteral("Failed to install the following products."),
        QStringLiteral("All files have been downloaded to the following location."),
        QStringLiteral("The following files could not be downloaded.")};
    return headings;
}

QString ProgramSession::reportHeading(const QString &reading)
{
    const QStringList &headings = reportHeadings();
    const auto shown = std::find_if(headings.cbegin(), headings.cend(),
        [&reading](const QString &heading) { return reading.contains(heading); });
    return shown == headings.cend() ? QString() : *shown;
}

bool ProgramSession::showsReport(const QString &reading)
{
    return !reportHeading(reading).isEmpty();
}

QString ProgramSession::lineWith(const QString &reading, const QString &text)
{
    const QStringList lines = reading.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.contains(text))
            return line.mid(line.startsWith(QLatin1String("text: ")) ? 6 : 0).trimmed();
    }
    return {};
}

bool ProgramSession::runTool(
    const QString &tool, const QStringList &arguments, int timeoutMs, QByteArray *output)
{
    // Waited for through the event loop: QProcess::waitForFinished would block a server that
    // runs in this process.
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QSignalSpy finished(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    process.start(tool, arguments);
    if (!process.waitForStarted(timeoutMs) || !finished.wait(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
