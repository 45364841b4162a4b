#include <QDataStream>
#include <QFile>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

// The resources that the Windows build links into kestrun.exe: icon group and manifest.
class tst_WindowsResources : public QObject
{
    Q_OBJECT

private slots:
    void iconHasEveryImage();
    void manifestAsksForNoElevation();
};

void tst_WindowsResources::iconHasEveryImage()
{
    QFile file(QStringLiteral(KESTRUN_APP_DIR "/kestrun.ico"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray icon = file.readAll();
    QDataStream in(icon);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved, type, count;
    in >> reserved >> type >> count;
    QCOMPARE(type, quint16(1));
    QCOMPARE(count, quint16(18));

    QSet<QPair<int, int>> found;
    for (int i = 0; i < count; ++i) {
        quint8 width, height, colours, zero;
        quint16 planes, bits;
        quint32 bytes, offset;
        in >> width >> height >> colours >> zero >> planes >> bits >> bytes >> offset;
        const int size = width == 0 ? 256 : width;
        QCOMPARE(int(height == 0 ? 256 : height), size);
        QVERIFY(quint64(offset) + bytes <= quint64(icon.size()));
        const QByteArray image = icon.mid(int(offset), int(bytes));
        if (image.startsWith("\x89PNG")) {
            QCOMPARE(size, 256);
        } else {
            // A device-independent bitmap: its height counts the image and its mask.
            QDataStream header(image);
            header.setByteOrder(QDataStream::LittleEndian);
            quint32 headerSize;
            qint32 dibWidth, dibHeight;
            quint16 dibPlanes, dibBits;
            header >> headerSize >> dibWidth >> dibHeight >> dibPlanes >> dibBits;
            QCOMPARE(headerSize, quint32(40));
            QCOMPARE(dibWidth, size);
            QCOMPARE(dibHeight, size * 2);
            QCOMPARE(dibBits, bits);
        }
        found.insert({size, bits});
    }

    QSet<QPair<int, int>> expected;
    for (int size : {64, 48, 40, 32, 16})
        expected << qMakePair(size, 4) << qMakePair(size, 8);
    for (int size : {256, 128, 96, 64, 48, 40, 32, 16})
        expected << qMakePair(size, 32);
    QCOMPARE(found, expected);
}

void tst_WindowsResources::manifestAsksForNoElevation()
{
    QFile file(QStringLiteral(KESTRUN_APP_DIR "/kestrun.exe.manifest"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList supportedOs;
    bool commonControls = false;
    QString level, uiAccess;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto attributes = xml.attributes();
        if (xml.name() == QLatin1String("requestedExecutionLevel")) {
            level = attributes.value("level").toString();
            uiAccess = attributes.value("uiAccess").toString();
        } else if (xml.name() == QLatin1String("assemblyIdentity")
            && attributes.value("name") == QLatin1String("Microsoft.Windows.Common-Controls")) {
            commonControls = attributes.value("version") == QLatin1String("6.0.0.0");
        } else if (xml.name() == QLatin1String("supportedOS")) {
            supportedOs << attributes.value("Id").toString();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(level, QStringLiteral("asInvoker"));
    QCOMPARE(uiAccess, QStringLiteral("false"));
    QVERIFY(commonControls);
    QCOMPARE(supportedOs,
        QStringList({"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
            "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"}));
}

QTEST_GUILESS_MAIN(tst_WindowsResources)
#include "tst_windowsresources.moc"
