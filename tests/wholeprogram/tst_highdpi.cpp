// The real program on a virtual X display of a given resolution, measured from outside as a
// user's screen would show it: xwininfo and ImageMagick's import.

#include "programsession.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

namespace {

constexpr int ToolTimeout = 20000;

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
    void windowFollowsTheScreensScaling_data();
    void windowFollowsTheScreensScaling();
};

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
    ProgramSession session(dpi);
    QVERIFY(session.isValid());
    QVERIFY2(session.show(ToolTimeout), "the window did not appear");
    const QString window = session.windowId();

    QByteArray info;
    QVERIFY(session.runTool(
        QStringLiteral("xwininfo"), {QStringLiteral("-id"), window}, ToolTimeout, &info));
    QCOMPARE(QSize(field(info, "Width"), field(info, "Height")), size);

    // The logo in the bottom left corner is drawn from the picture made for the scale: at 200 %
    // from its @2x variant, pixel for pixel, rather than enlarged and blurred.
    if (dpi != 96 && dpi != 192)
        return;
    const QImage logo(QStringLiteral(KESTRUN_IMAGES_DIR "/Corvane_white%1.png")
                          .arg(dpi == 192 ? QStringLiteral("@2x") : QString()));
    QVERIFY(!logo.isNull());
    const QString shot = session.folder() + QStringLiteral("/window.png");
    const auto logoAsDrawn = [&] {
        if (!session.runTool(
                QStringLiteral("import"), {QStringLiteral("-window"), window, shot}, ToolTimeout))
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
