#include "platform/standinsystemqueries.h"

#include <QTest>

#include <sys/utsname.h>

class tst_StandInSystemQueries : public QObject
{
    Q_OBJECT

private slots:
    void isTheSystemsQueries();
    void amd64Architecture_data();
    void amd64Architecture();
    void nativeArchitectureOfThisMachine();
    void noRegistryValues_data();
    void noRegistryValues();
    void noInstalledProducts_data();
    void noInstalledProducts();
};

void tst_StandInSystemQueries::isTheSystemsQueries()
{
    const std::unique_ptr<SystemQueries> queries = createSystemQueries();
    QVERIFY(dynamic_cast<StandInSystemQueries *>(queries.get()));
}

void tst_StandInSystemQueries::amd64Architecture_data()
{
    QTest::addColumn<QString>("architecture");
    QTest::addColumn<bool>("amd64");

    QTest::newRow("x86_64 is AMD64") << "x86_64" << true;
    QTest::newRow("i386 is x86") << "i386" << false;
    QTest::newRow("Itanium is not AMD64") << "ia64" << false;
    QTest::newRow("arm64 is not AMD64") << "arm64" << false;
    QTest::newRow("unknown") << "" << false;
}

void tst_StandInSystemQueries::amd64Architecture()
{
    QFETCH(QString, architecture);
    QFETCH(bool, amd64);

    QCOMPARE(StandInSystemQueries::isAmd64Architecture(architecture), amd64);
}

void tst_StandInSystemQueries::nativeArchitectureOfThisMachine()
{
    // The kernel's machine name, not the one this test was compiled for.
    utsname system;
    QCOMPARE(uname(&system), 0);
    StandInSystemQueries queries;
    QCOMPARE(queries.isNativeAmd64(), qstrcmp(system.machine, "x86_64") == 0);
}

void tst_StandInSystemQueries::noRegistryValues_data()
{
    QTest::addColumn<QString>("keyPath");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<bool>("view64");

    QTest::newRow("a Windows value, 64-bit view")
        << "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
        << "ProductName" << true;
    QTest::newRow("a Windows value, default view")
        << "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
        << "ProductName" << false;
    QTest::newRow("a default value") << "SOFTWARE\\Classes\\.txt"
                                     << "" << true;
}

void tst_StandInSystemQueries::noRegistryValues()
{
    QFETCH(QString, keyPath);
    QFETCH(QString, valueName);
    QFETCH(bool, view64);

    StandInSystemQueries queries;
    QVERIFY(!queries.registryValueExists(keyPath, valueName, view64));
}

void tst_StandInSystemQueries::noInstalledProducts_data()
{
    QTest::addColumn<QString>("productCode");

    QTest::newRow("a product code") << "{90160000-008C-0000-1000-0000000FF1CE}";
    QTest::newRow("no product code") << "";
}

void tst_StandInSystemQueries::noInstalledProducts()
{
    QFETCH(QString, productCode);

    StandInSystemQueries queries;
    QVERIFY(!queries.isProductInstalled(productCode));
    QCOMPARE(queries.productVersion(productCode), QString());
}

QTEST_APPLESS_MAIN(tst_StandInSystemQueries)
#include "tst_standinsystemqueries.moc"
