#include "platform/hasher.h"

#include <QCryptographicHash>
#include <QTest>

Q_DECLARE_METATYPE(Hasher::Algorithm)
Q_DECLARE_METATYPE(Hasher::Implementation)

class tst_Hasher : public QObject
{
    Q_OBJECT

private slots:
    void qtIsAlwaysThere();
    void digests_data();
    void digests();
};

void tst_Hasher::qtIsAlwaysThere()
{
    QCOMPARE(Hasher::implementations().last(), Hasher::Implementation::Qt);
#ifdef Q_OS_WIN
    QCOMPARE(Hasher::implementations().first(), Hasher::Implementation::Cng);
#endif
}

// Every implementation of the build against the published vectors and, for a body of many read
// blocks with an odd tail, against QCryptographicHash; fed whole and in uneven pieces.
void tst_Hasher::digests_data()
{
    QTest::addColumn<Hasher::Implementation>("implementation");
    QTest::addColumn<Hasher::Algorithm>("algorithm");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("piece");
    QTest::addColumn<QByteArray>("expected");

    struct Vector
    {
        const char *name;
        QByteArray data;
        QByteArray md5;
        QByteArray sha256;
    };
    const QByteArray many = QByteArray("0123456789abcdef").repeated(300000) + "tail";
    const QByteArray alphabet = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    const Vector vectors[] = {
        {"empty", QByteArray(), "d41d8cd98f00b204e9800998ecf8427e",
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", "900150983cd24fb0d6963f7d28e17f72",
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"two blocks", alphabet, "8215ef0796a20bcaaae116d3876c664a",
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"a million a", QByteArray(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21",
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {"many read blocks", many, QCryptographicHash::hash(many, QCryptographicHash::Md5).toHex(),
            QCryptographicHash::hash(many, QCryptographicHash::Sha256).toHex()},
    };
    for (const Hasher::Implementation implementation : Hasher::implementations()) {
        const QByteArray name = Hasher::implementationName(implementation).toLatin1();
        for (const Vector &vector : vectors) {
            for (const int piece : {0, 7, 65537}) {
                const QByteArray fed = piece ? " in pieces of " + QByteArray::number(piece) : "";
                QTest::addRow("%s, MD5, %s%s", name.data(), vector.name, fed.data())
                    << implementation << Hasher::Algorithm::Md5 << vector.data << piece
                    << vector.md5;
                QTest::addRow("%s, SHA-256, %s%s", name.data(), vector.name, fed.data())
                    << implementation << Hasher::Algorithm::Sha256 << vector.data << piece
                    << vector.sha256;
            }
        }
    }
}

void tst_Hasher::digests()
{
    QFETCH(Hasher::Implementation, implementation);
    QFETCH(Hasher::Algorithm, algorithm);
    QFETCH(QByteArray, data);
    QFETCH(int, piece);
    QFETCH(QByteArray, expected);

    Hasher hasher(algorithm, implementation);
    // A refused algorithm would quietly fall back to Qt: the row would test nothing.
    QCOMPARE(hasher.implementation(), implementation);
    const int step = piece ? piece : qMax(1, data.size());
    for (int at = 0; at < data.size(); at += step)
        hasher.addData(data.constData() + at, qMin<qint64>(step, data.size() - at));
    QCOMPARE(hasher.result().toHex(), expected);
    // The digest starts over after a result.
    hasher.addData(data);
    QCOMPARE(hasher.result().toHex(), expected);
}

QTEST_GUILESS_MAIN(tst_Hasher)
#include "tst_hasher.moc"
