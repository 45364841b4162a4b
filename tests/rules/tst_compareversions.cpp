#include "rules/dependencymanager.h"

#include <QTest>

class tst_CompareVersions : public QObject
{
    Q_OBJECT

private slots:
    void ruleAgainstInstalledVersion_data();
    void ruleAgainstInstalledVersion();
    void splitLists_data();
    void splitLists();
};

void tst_CompareVersions::ruleAgainstInstalledVersion_data()
{
    QTest::addColumn<QString>("installed");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<bool>("holds");

    QTest::newRow("2016.1.0 >2015") << "2016.1.0"
                                    << ">2015" << true;
    QTest::newRow("2015.0.0 <2016") << "2015.0.0"
                                    << "<2016" << true;
    QTest::newRow("2015.0.0 <2015.1: first difference decides") << "2015.0.0"
                                                                << "<2015.1" << true;
    QTest::newRow("1.10 >1.9: numeric, not text") << "1.10"
                                                  << ">1.9" << true;
    QTest::newRow("1.9 >1.10") << "1.9"
                               << ">1.10" << false;
    QTest::newRow("1.02 =1.2: leading zeros") << "1.02"
                                              << "=1.2" << true;
    QTest::newRow("2015.0.0 =2015.0.0") << "2015.0.0"
                                        << "=2015.0.0" << true;
    QTest::newRow("2015.0.0 !2015.0.0") << "2015.0.0"
                                        << "!2015.0.0" << false;
    QTest::newRow("2015.0.1 !2015.0.0") << "2015.0.1"
                                        << "!2015.0.0" << true;
    QTest::newRow("2015.0.0 >2015.0.0") << "2015.0.0"
                                        << ">2015.0.0" << false;
    QTest::newRow("1.2 =1.2.5: installed runs out first") << "1.2"
                                                          << "=1.2.5" << true;
    QTest::newRow("1.2 >1.2.5") << "1.2"
                                << ">1.2.5" << false;
    QTest::newRow("1.2 <1.2.5") << "1.2"
                                << "<1.2.5" << false;
    QTest::newRow("1.2 !1.2.5") << "1.2"
                                << "!1.2.5" << false;
    QTest::newRow("not installed <2016") << ""
                                         << "<2016" << true;
    QTest::newRow("not installed =0") << ""
                                      << "=0" << true;
    QTest::newRow("not installed >0") << ""
                                      << ">0" << false;
    QTest::newRow("not installed !2016") << ""
                                         << "!2016" << true;
    QTest::newRow("a.b =0.0: letters count as 0") << "a.b"
                                                  << "=0.0" << true;
    QTest::newRow("3 >=4: operator > against =4, which is 0") << "3"
                                                              << ">=4" << true;
    QTest::newRow("5 2015: no operator") << "5"
                                         << "2015" << false;
    QTest::newRow("5 against the empty rule") << "5"
                                              << "" << false;
    QTest::newRow("5 >: empty required version is 0") << "5"
                                                      << ">" << true;
    QTest::newRow("0 >") << "0"
                         << ">" << false;

    // The required version runs out first: only the components both have are compared.
    QTest::newRow("2015.1.0 =2015: required runs out first") << "2015.1.0"
                                                             << "=2015" << true;
    QTest::newRow("2015.1.0 >2015") << "2015.1.0"
                                    << ">2015" << false;
    QTest::newRow("2015.1.0 <2015.1") << "2015.1.0"
                                      << "<2015.1" << false;
    QTest::newRow("2015.0.0 !2015") << "2015.0.0"
                                    << "!2015" << false;
    QTest::newRow("2016.1.0 <2016.2: difference before it runs out") << "2016.1.0"
                                                                     << "<2016.2" << true;

    QTest::newRow("1..2 =1.0.2: empty middle component") << "1..2"
                                                         << "=1.0.2" << true;
    QTest::newRow("1..2 <1.1: empty component is 0") << "1..2"
                                                     << "<1.1" << true;
    QTest::newRow("99999999999 =0: out of int range is 0") << "99999999999"
                                                           << "=0" << true;
    QTest::newRow("2147483647 >2147483646: whole int range") << "2147483647"
                                                             << ">2147483646" << true;
    QTest::newRow("-1 <0: signed components") << "-1"
                                              << "<0" << true;
    QTest::newRow("2 ~1: unknown operator") << "2"
                                            << "~1" << false;
    QTest::newRow("2 \" >1\": blank is no operator") << "2"
                                                     << " >1" << false;
}

void tst_CompareVersions::ruleAgainstInstalledVersion()
{
    QFETCH(QString, installed);
    QFETCH(QString, rule);
    QFETCH(bool, holds);

    QCOMPARE(DependencyManager::versionRuleHolds(installed, rule), holds);
}

void tst_CompareVersions::splitLists_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("required");
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("holds");

    QTest::newRow("no installed components") << QStringList() << QStringList {"0"} << "=" << false;
    QTest::newRow("no required components") << QStringList {"0"} << QStringList() << "=" << false;
    QTest::newRow("two-character operator")
        << QStringList {"2"} << QStringList {"1"} << ">=" << false;
    QTest::newRow("empty operator") << QStringList {"2"} << QStringList {"2"} << "" << false;
    QTest::newRow("equal single components under =")
        << QStringList {"7"} << QStringList {"07"} << "=" << true;
}

void tst_CompareVersions::splitLists()
{
    QFETCH(QStringList, installed);
    QFETCH(QStringList, required);
    QFETCH(QString, op);
    QFETCH(bool, holds);

    QCOMPARE(DependencyManager::compareVersions(installed, required, op), holds);
}

QTEST_APPLESS_MAIN(tst_CompareVersions)
#include "tst_compareversions.moc"
