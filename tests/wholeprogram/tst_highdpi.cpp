// The real program on a virtual X display of a given resolution, measured from outside as a
// user's screen would show it: Xvfb, xdotool, xwininfo and ImageMagick's import.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int ToolTimeout = 20000;

const QStringList tools {QStringLiteral("Xvfb"), QStringLiteral("xdotool"),
    QStringLiteral("xwininfo"), QStringLiteral("import")};

/** Runs a tool to its end; whether it succeeded, and what it wrote to output. */
bool run(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment, QByteArray *output = nullptr)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(ToolTimeout)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

int field(const QByteArray &xwininfo, const char *name)
{
    const QRegularExpression pattern(QStringLiteral("%1:\\s+(\\d+)").arg(QLatin1String(name)));
    return pattern.match(QString::fromLatin1(xwininfo)).captured(1).toInt();
}

/** The average difference per channel (0 to 255) between two pictures; 255 when their sizes
    differ. */
double difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum +=
                qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    }
    return double(sum) / (3.0 * a.width() * a.height());
}

} // namespace

class tst_HighDpi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void windowFollowsTheScreensScaling_data();
    void windowFollowsTheScreensScaling();

private:
    /** Starts Xvfb at dpi and the program on it; the program's window id, or 0. */
    QByteArray start(int dpi);

    QTemporaryDir folder;
    QProcess xvfb;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

void tst_HighDpi::initTestCase()
{
    for (const QString &tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            const QString missing = tool + QLatin1String(" is not installed");
            // CI must notice; elsewhere the test is only left out.
            if (qEnvironmentVariable("CI") == QLatin1String("true"))
                QFAIL(qPrintable(missing));
            QSKIP(qPrintable(missing));
        }
    }
    // A copy of its own, so that no kestrun.json of the build's is read beside it.
    QVERIFY(folder.isValid());
    QVERIFY(QFile::copy(QStringLiteral(KESTRUN_EXE), folder.filePath(QStringLiteral("kestrun"))));
    for (const char *setting :
        {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
            "QT_ENABLE_HIGHDPI_SCALING", "QT_QPA_PLATFORM", "QT_FONT_DPI"})
        environment.remove(QLatin1String(setting));
}

void tst_HighDpi::cleanup()
{
    for (QProcess *process : {&program, &xvfb}) {
        process->kill();
        process->waitForFinished();
    }
}

QByteArray tst_HighDpi::start(int dpi)
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
    const QByteArray display = xvfb.readLine().trimmed();
    if (display.isEmpty())
        return {};
    environment.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(display));
    program.setProcessEnvironment(environment);
    program.start(folder.filePath(QStringLiteral("kestrun")), {});
    if (!program.waitForStarted())
        return {};
    QByteArray windows;
    run(QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
            QStringLiteral("--pid"), QString::number(program.processId())},
        environment, &windows);
    return windows.split('\n').value(0);
}

void tst_HighDpi::windowFollowsTheScreensScaling_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QSize>("size"); // in the screen's pixels

    QTest::newRow("100 %") << 96 << QSize(860, 570);
    QTest::newRow("150 %, not rounded to 200 %") << 144 << QSize(1290, 855);
    QTest::newRow("200 %") << 192 << QSize(1720, 1140);
}

void tst_HighDpi::windowFollowsTheScreensScaling()
{
    QFETCH(int, dpi);
    QFETCH(QSize, size);
    const QByteArray window = start(dpi);
    QVERIFY2(!window.isEmpty(), "the window did not appear");

    QByteArray info;
    QVERIFY(run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::fromLatin1(window)},
        environment, &info));
    QCOMPARE(QSize(field(info, "Width"), field(info, "Height")), size);

    // The logo in the bottom left corner is drawn from the picture made for the scale: at 200 %
    // from its @2x variant, pixel for pixel, rather than enlarged and blurred.
    if (dpi != 96 && dpi != 192)
        return;
    const QImage logo(QStringLiteral(KESTRUN_IMAGES_DIR "/Corvane_white%1.png")
                          .arg(dpi == 192 ? QStringLiteral("@2x") : QString()));
    QVERIFY(!logo.isNull());
    const QString shot = folder.filePath(QStringLiteral("window.png"));
    const auto logoAsDrawn = [&] {
        if (!run(QStringLiteral("import"),
                {QStringLiteral("-window"), QString::fromLatin1(window), shot}, environment))
            return QImage();
        return QImage(shot).copy(QRect(QPoint(0, size.height() - logo.height()), logo.size()));
    };
    // Until the first frame is drawn, the window is black; the logo's ground is white.
    QImage drawn;
    const QDeadlineTimer deadline(ToolTimeout);
    do
        drawn = logoAsDrawn();
    while ((drawn.isNull() || drawn.pixel(0, 0) != qRgb(255, 255, 255)) && !deadline.hasExpired());
    const double off = difference(drawn, logo);
    QVERIFY2(off < 1.0, qPrintable(QStringLiteral("differs by %1 on average").arg(off)));
}

QTEST_GUILESS_MAIN(tst_HighDpi)
#include "tst_highdpi.moc"
