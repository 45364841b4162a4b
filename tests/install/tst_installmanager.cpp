#include "childscript.h"
#include "faultserver.h"
#include "install/installmanager.h"
#include "platform/elevation.h"
#include "platform/packagehold.h"
#include "platform/packagesignature.h"
#include "recordingstandin.h"
#include "scopedconfig.h"
#include "scopedinstalls.h"
#include "scopedtranslation.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using Calls = QList<QStringList>;
using Codes = QHash<QString, int>;
using Reasons = QHash<QString, QString>;
using Verdict = PackageSignature::Verdict;
using Trust = PackageSignature::Trust;

namespace {

const QString installsToken = QStringLiteral("{installs}");
const QString msiexec = QStringLiteral("msiexec.exe");
const QString wine = QStringLiteral("wine");

/** The two queues the Install command hands over, keyed by box position and file. */
struct Queues
{
    QMap<QString, QString> install;
    QMap<QString, QString> remove;

    Queues &add(int position, const QString &file, const QString &parameters = QString(),
        const QString &removeValue = QStringLiteral("false"))
    {
        const QString key = QString::number(position) + file;
        install.insert(key, parameters);
        remove.insert(key, removeValue);
        return *this;
    }
};

/** The expected calls with the installs folder filled in, as the program writes it. */
Calls expand(Calls calls, const ScopedInstalls &installs)
{
    for (QStringList &call : calls)
        call.replaceInStrings(installsToken, QDir::toNativeSeparators(installs.path()));
    return calls;
}

QStringList msiCall(const QString &option, const QString &name, const QStringList &more = {})
{
    return QStringList {msiexec, option, installsToken + '/' + name} + more;
}

QStringList removal(const QStringList &words)
{
    return QStringList {msiexec, QStringLiteral("/uninstall")} + words
        + QStringList {QStringLiteral("/passive"), QStringLiteral("/norestart")};
}

/** The files below folder that this process holds open. */
QStringList openFilesBelow(const QString &folder)
{
    QStringList open;
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &link : descriptors.entryInfoList(QDir::Files | QDir::System)) {
        if (link.symLinkTarget().startsWith(folder + QLatin1Char('/')))
            open << link.symLinkTarget();
    }
    return open;
}

/** Administrator rights as a test sets them: never held, and given or refused as asked. */
class StandInElevation : public Elevation
{
public:
    StandInElevation(Start outcome, int exitCode, Calls &calls)
        : outcome(outcome)
        , exitCode(exitCode)
        , calls(calls)
    { }
    bool isElevated() override { return false; }
    void startElevated(const QString &program, const QStringList &arguments, quintptr,
        std::function<void(Start, int)> done) override
    {
        calls << QStringList {program} + arguments;
        QTimer::singleShot(0, [done, outcome = outcome, code = exitCode] {
            done(outcome, outcome == Start::Started ? code : 0);
        });
    }

private:
    Start outcome;
    int exitCode;
    Calls &calls;
};

/** The hold of a package that another program keeps open a number of times first (-1: for
    good). */
class BusyHold : public PackageHold
{
public:
    explicit BusyHold(int busyTimes)
        : busyTimes(busyTimes)
    { }
    Result hold(const QString &path) override
    {
        if (busyTimes == 0)
            return held->hold(path);
        busyTimes -= busyTimes > 0;
        return Result::InUse;
    }
    void release() override { held->release(); }

private:
    int busyTimes;
    std::unique_ptr<PackageHold> held = createPackageHold();
};

using Script = QHash<QString, QList<int>>;

/** One signature for every package, as a test gives it. */
struct StandInSignature : PackageSignature
{
    Verdict verdict;
    bool checksSignatures() const override { return true; }
    void check(const QString &, std::function<void(const Verdict &)> done) override
    {
        QTimer::singleShot(0, [done, verdict = verdict] { done(verdict); });
    }
};

} // namespace

Q_DECLARE_METATYPE(Queues)
Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(Verdict)
Q_DECLARE_METATYPE(Elevation::Start)

class tst_InstallManager : public QObject
{
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
    void runPathOfItem_data();
    void runPathOfItem();
    void exitCodeMeanings_data();
    void exitCodeMeanings();
    void exeThatNeedsAdministratorRights_data();
    void exeThatNeedsAdministratorRights();
    void downloadedPackage_data();
    void downloadedPackage();
#ifndef Q_OS_WIN
    void msiexecFoundOnPathBeforeBesideExecutable_data();
    void msiexecFoundOnPathBeforeBesideExecutable();
#endif

private:
    /** Runs the queues to installsDone; false when the run did not end exactly once. */
    bool run(InstallManager &manager, const Queues &queues);
};

bool tst_InstallManager::run(InstallManager &manager, const Queues &queues)
{
    QSignalSpy done(&manager, &InstallManager::installsDone);
    manager.startInstalls(queues.install, queues.remove);
    if (done.isEmpty())
        done.wait(20000);
    return done.count() == 1;
}

void tst_InstallManager::runs_data()
{
    QTest::addColumn<Queues>("queues");
    // The stand-in's exit code for a call with an argument of that ending.
    QTest::addColumn<QVariantMap>("exitCodes");
    QTest::addColumn<Calls>("expected");
    QTest::addColumn<Codes>("results");
    // The failed items, with the reason each gives.
    QTest::addColumn<Reasons>("failures");
    // The queued files not placed in the installs folder.
    QTest::addColumn<QStringList>("missing");
    // The stand-ins on PATH.
    QTest::addColumn<QStringList>("programs");
    // Codes only a Windows process reports, one per call of that ending: the children follow
    // this script instead of starting processes, and the calls are theirs.
    QTest::addColumn<Script>("script");
    // How often another program has the package open when it is to be held; -1: always.
    QTest::addColumn<int>("inUse");
    // The waits for another installation, as "file, try n of m".
    QTest::addColumn<QStringList>("waits");
    // The packages' signature (Unchecked: this system's own check) and the publishers pinned.
    QTest::addColumn<Verdict>("signature");
    QTest::addColumn<QStringList>("publishers"); // of the top level and of fix.msi's product
    // The command lines themselves are InstallCommand's: here, which ones run, in what order,
    // and what each run leaves recorded.
    const auto row = [](const char *tag, const Queues &queues, const Calls &expected,
                         const Codes &results, const QVariantMap &exitCodes = {},
                         const Reasons &failures = {}, const QStringList &missing = {},
                         const QStringList &programs = {msiexec, wine}, const Script &script = {},
                         int inUse = 0, const QStringList &waits = {},
                         const Verdict &signature = {}, const QStringList &publishers = {}) {
        QTest::newRow(tag) << queues << exitCodes << expected << results << failures << missing
                           << programs << script << inUse << waits << signature << publishers;
    };
    const auto one = [](const QString &file, const QString &parameters = QString(),
                         const QString &remove = QStringLiteral("false")) {
        return Queues().add(0, file, parameters, remove);
    };
    const QString code = QStringLiteral("{11111111-2222-3333-4444-555555555555}");

    row("msi", one("fix.msi", "/qn REBOOT=ReallySuppress"),
        {msiCall("/package", "fix.msi", {"/qn", "REBOOT=ReallySuppress"})}, {{"fix.msi", 0}});
    row("msp", one("fix.msp", "/qb"), {msiCall("/update", "fix.msp", {"/qb"})}, {{"fix.msp", 0}});
    row("exe, through wine", one("setup.exe", "/s  /v"),
        {{wine, installsToken + "/setup.exe", "/s", "", "/v"}}, {{"setup.exe", 0}});
    row("product code removed first", one("fix.msi", "/qn", code),
        {removal({code}), msiCall("/package", "fix.msi", {"/qn"})}, {{"fix.msi", 0}});
    row("remove value False is not false", one("fix.msi", "/qn", "False"),
        {removal({"False"}), msiCall("/package", "fix.msi", {"/qn"})}, {{"fix.msi", 0}});
    row("empty remove value still removes", one("fix.msi", "/qn", ""),
        {removal({}), msiCall("/package", "fix.msi", {"/qn"})}, {{"fix.msi", 0}});
    row("removal before an exe", one("setup.exe", "/s", "{OLD}"),
        {removal({"{OLD}"}), {wine, installsToken + "/setup.exe", "/s"}}, {{"setup.exe", 0}});
    row("digits at the start of the file name", one("2016fix.msi"),
        {msiCall("/package", "2016fix.msi")}, {{"2016fix.msi", 0}});
    row("nothing queued", Queues(), {}, {});
    // Boxes 9, 2 and 5, handed over in no particular order and named against the box order.
    row("one at a time, in the boxes' order",
        Queues().add(8, "mid.msi").add(1, "zeta.msi").add(4, "alpha.msi"),
        {msiCall("/package", "zeta.msi"), msiCall("/package", "alpha.msi"),
            msiCall("/package", "mid.msi")},
        {{"zeta.msi", 0}, {"alpha.msi", 0}, {"mid.msi", 0}});

    // A Unix child can only report the low 8 bits of its exit code. What each code means is
    // exitCodeMeanings'; here, that the code of the process run is the one recorded.
    row("3010 restart required fails", one("fix.msi"), {msiCall("/package", "fix.msi")},
        {{"fix.msi", 3010 % 256}}, {{"fix.msi", 3010}}, {{"fix.msi", "exit code 194"}});
    row("run goes on after a failure", Queues().add(0, "a.msi").add(1, "b.msi").add(2, "c.msi"),
        {msiCall("/package", "a.msi"), msiCall("/package", "b.msi"), msiCall("/package", "c.msi")},
        {{"a.msi", 0}, {"b.msi", 1603 % 256}, {"c.msi", 0}}, {{"b.msi", 1603}},
        {{"b.msi", "exit code 67"}});
    row("failed removal still installs, its code not recorded", one("fix.msi", "/qn", "{OLD}"),
        {removal({"{OLD}"}), msiCall("/package", "fix.msi", {"/qn"})}, {{"fix.msi", 0}},
        {{"/passive", 1603}});
    row("same file twice keeps the later code",
        Queues().add(0, "fix.msi", "/earlier").add(3, "fix.msi", "/later"),
        {msiCall("/package", "fix.msi", {"/earlier"}), msiCall("/package", "fix.msi", {"/later"})},
        {{"fix.msi", 1603 % 256}}, {{"/later", 1603}}, {{"fix.msi", "exit code 67"}});

    // An item that cannot run loses no older product, fails, and the run goes on.
    const auto thenAfter = [](const QString &file) {
        return Queues().add(0, file, "/s", "{OLD}").add(1, "after.msi");
    };
    const auto notStarted = [](const QString &file) {
        return Codes {{file, InstallManager::NotStarted}, {"after.msi", 0}};
    };
    const Calls after {msiCall("/package", "after.msi")};
    const QString cannotRun = QStringLiteral("this type of file cannot be run");
    const QString url = QStringLiteral("http://127.0.0.1:9/packages/");
    row("unknown ending", thenAfter("fix.zip"), after, notStarted("fix.zip"), {},
        {{"fix.zip", cannotRun}});
    row("no file", thenAfter(""), after, notStarted(""), {}, {{"", cannotRun}}, {""});
    row("local file missing", thenAfter("missing.msi"), after, notStarted("missing.msi"), {},
        {{"missing.msi", "the file is not there"}}, {"missing.msi"});
    row("URL without a usable name", thenAfter(url), after, notStarted(url), {},
        {{url, "the file name cannot be stored"}}, {url});
    // The removal runs, the package has no program to run it.
    row("exe whose program is missing", thenAfter("setup.exe"), Calls {removal({"{OLD}"})} + after,
        notStarted("setup.exe"), {}, {{"setup.exe", "the program could not be started"}}, {},
        {msiexec});

    // A scanner lets go of a package after a while; one that never does leaves it not run.
    const QString inUse = QStringLiteral("the package is in use by another program");
    row("package in use twice, then held", one("fix.msi"), {msiCall("/package", "fix.msi")},
        {{"fix.msi", 0}}, {}, {}, {}, {msiexec, wine}, {}, 2);
    row("package in use for good: not run, its older product kept",
        one("fix.msi", QString(), "{OLD}"), {}, {{"fix.msi", InstallManager::NotStarted}}, {},
        {{"fix.msi", inUse}}, {}, {msiexec, wine}, {}, -1);

    // Windows' own codes, which a Unix child cannot report, from scripted children.
    const QString busy = QStringLiteral("another installation is in progress (exit code 1618)");
    const auto tries = [](const QString &file, int count) {
        QStringList waits;
        for (int number = 2; number <= count; ++number)
            waits << QStringLiteral("%1, try %2 of 4").arg(file).arg(number);
        return waits;
    };
    const Calls fix {msiCall("/package", "fix.msi")};
    row("another installation in progress twice, then installed", one("fix.msi"), fix + fix + fix,
        {{"fix.msi", 0}}, {}, {}, {}, {}, {{"fix.msi", {1618, 1618, 0}}}, 0, tries("fix.msi", 3));
    row("another installation in progress at every try", one("fix.msi"), fix + fix + fix + fix,
        {{"fix.msi", 1618}}, {}, {{"fix.msi", busy}}, {}, {}, {{"fix.msi", {1618}}}, 0,
        tries("fix.msi", 4));
    const Calls old {removal({"{OLD}"})};
    row("a removal that never gets its turn: the package not run", thenAfter("fix.msi"),
        old + old + old + old + after, notStarted("fix.msi"), {},
        {{"fix.msi",
            "the older version could not be removed: another installation is in progress"}},
        {}, {}, {{"/norestart", {1618}}}, 0, tries("fix.msi", 4));
    const Calls fixAfter {msiCall("/package", "fix.msi", {"/s"})};
    // 1605: the older product is not there.
    row("a removal that gets its turn and fails otherwise: the package runs", thenAfter("fix.msi"),
        old + old + fixAfter + after, {{"fix.msi", 0}, {"after.msi", 0}}, {}, {}, {}, {},
        {{"/norestart", {1618, 1605}}}, 0, tries("fix.msi", 2));
    // Each step has tries of its own.
    row("a removal that waits its turn, then its package busy at every try", thenAfter("fix.msi"),
        old + old + fixAfter + fixAfter + fixAfter + fixAfter + after,
        {{"fix.msi", 1618}, {"after.msi", 0}}, {}, {{"fix.msi", busy}}, {}, {},
        {{"/norestart", {1618, 1605}}, {"fix.msi", {1618}}}, 0,
        tries("fix.msi", 2) + tries("fix.msi", 4));
    row("a restart needed", one("fix.msi"), fix, {{"fix.msi", 3010}}, {},
        {{"fix.msi", "installed; Windows must restart to finish (exit code 3010)"}}, {}, {},
        {{"fix.msi", {3010}}});
    row("a restart begun: nothing more starts", Queues().add(0, "a.msi").add(1, "b.msi"),
        {msiCall("/package", "a.msi")}, {{"a.msi", 1641}, {"b.msi", InstallManager::NotStarted}},
        {},
        {{"a.msi", "installed; Windows must restart to finish (exit code 1641)"},
            {"b.msi", "not started: Windows is restarting"}},
        {}, {}, {{"a.msi", {1641}}});
    row("an installer's own -1 is an exit code", one("fix.msi"), fix, {{"fix.msi", -1}}, {},
        {{"fix.msi", "exit code -1"}}, {}, {}, {{"fix.msi", {-1}}});

    // Judged after the package's check, before its removal: one refused keeps its older product.
    const auto signedRow = [&](const char *tag, const Verdict &signature,
                               const QStringList &publishers, const QString &reason = QString()) {
        const bool runs = reason.isEmpty();
        row(tag, one("fix.msi", "/qn", code),
            runs ? Calls {removal({code}), msiCall("/package", "fix.msi", {"/qn"})} : Calls(),
            {{"fix.msi", runs ? 0 : InstallManager::NotStarted}}, {},
            runs ? Reasons() : Reasons {{"fix.msi", reason}}, {}, {msiexec}, {}, 0, {}, signature,
            publishers);
    };
    signedRow(
        "signature not valid", {Trust::Invalid, {}}, {}, "the package's signature is not valid");
    signedRow("unsigned, nothing pinned", {Trust::Unsigned, {}}, {});
    signedRow("signed, nothing pinned", {Trust::Valid, "Anyone"}, {});
    signedRow("unsigned, the top level pins a publisher", {Trust::Unsigned, {}}, {"Corvane"},
        "the package is not signed");
    signedRow("signed by another", {Trust::Valid, "Other Ltd"}, {"", "Corvane"},
        "signed by Other Ltd, not by Corvane");
    signedRow("the pinned signer, in other letter case", {Trust::Valid, "CORVANE LTD"},
        {"", "Corvane Ltd"});
    signedRow("a product's publisher before the top level's", {Trust::Valid, "Corvane"},
        {"Other", "Corvane"});
    signedRow("pinned, where signatures cannot be checked", {}, {"Corvane"},
        "the signature cannot be checked on this system");
}

void tst_InstallManager::runs()
{
    QFETCH(Queues, queues);
    QFETCH(QVariantMap, exitCodes);
    QFETCH(Calls, expected);
    QFETCH(Codes, results);
    QFETCH(Reasons, failures);
    QFETCH(QStringList, missing);
    QFETCH(QStringList, programs);
    QFETCH(Script, script);
    QFETCH(int, inUse);
    QFETCH(QStringList, waits);
    QFETCH(Verdict, signature);
    QFETCH(QStringList, publishers);
    const QJsonObject pinned {
        {"name", "Fix"}, {"file", "fix.msi"}, {"publisher", publishers.value(1)}};
    ScopedConfig config(
        QJsonObject {{"publisher", publishers.value(0)}, {"products", QJsonArray {pinned}}});
    RecordingStandIn standIn(programs);
    for (auto it = exitCodes.cbegin(); it != exitCodes.cend(); ++it)
        standIn.setExitCode(it.key(), it.value().toInt());
    ScopedInstalls installs;
    for (const QString &key : queues.install.keys())
        QVERIFY(missing.contains(key.mid(1)) || installs.place(key.mid(1)));
    ChildScript children;
    for (auto it = script.cbegin(); it != script.cend(); ++it)
        children.setCodes(it.key(), it.value());

    InstallManager manager;
    if (!script.isEmpty())
        manager.setChildFactory(children.factory());
    manager.setPackageHold(std::make_unique<BusyHold>(inUse));
    manager.setPatience({{1, 2, 3}, {1, 1, 1}});
    QStringList waited;
    connect(&manager, &InstallManager::waitingForInstaller,
        [&waited](const QString &file, int number, int count) {
            waited << QStringLiteral("%1, try %2 of %3").arg(file).arg(number).arg(count);
        });
    auto standInSignature = std::make_unique<StandInSignature>();
    standInSignature->verdict = signature;
    if (signature.trust != Trust::Unchecked)
        manager.setPackageSignature(std::move(standInSignature));
    QVERIFY(run(manager, queues));

    QCOMPARE(script.isEmpty() ? standIn.calls() : children.calls(), expand(expected, installs));
    QCOMPARE(waited, waits);
    QVERIFY(!standIn.overlapped() && !children.overlapped());
    // Held from its check to the end of its installer, and not a moment longer.
    QCOMPARE(openFilesBelow(installs.path()), QStringList());
    QCOMPARE(manager.getResults(), results);
    // Every item is either installed or failed, and only a failed one has a reason.
    QCOMPARE(manager.sortResults(), !failures.isEmpty());
    QCOMPARE(manager.installedProducts().size() + manager.failedProducts().size(), results.size());
    for (const QString &file : results.keys()) {
        QCOMPARE(manager.failedProducts().contains(file), failures.contains(file));
        QCOMPARE(manager.getFailureReason(file).text(), failures.value(file));
    }
}

void tst_InstallManager::runPathOfItem_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("placed");
    QTest::addColumn<QString>("runPath");

    // Items are placed where FileManager looks for them; "{outside}" is a folder elsewhere. A
    // decoy of the same name in installs must not be run in their place.
    QTest::newRow("relative path into a subfolder")
        << "sub/fix.msp" << QStringList {"sub/fix.msp", "fix.msp"} << "{installs}/sub/fix.msp";
    QTest::newRow("absolute path elsewhere")
        << "{outside}/fix.msp" << QStringList {"{outside}/fix.msp", "fix.msp"}
        << "{outside}/fix.msp";
    // On Windows this is D:\packages\fix.msp; here FileManager finds it under that odd name.
    QTest::newRow("path with back-slashes")
        << "D:\\packages\\fix.msp" << QStringList {"D:\\packages\\fix.msp", "fix.msp"}
        << "{installs}/D:\\packages\\fix.msp";
    QTest::newRow("URL with a query") << "http://127.0.0.1:9/patches/fix.msp?lang=1"
                                      << QStringList {"fix.msp"} << "{installs}/fix.msp";
    QTest::newRow("URL with an escaped blank")
        << "http://127.0.0.1:9/patches/my%20fix.msp" << QStringList {"my fix.msp"}
        << "{installs}/my fix.msp";
}

void tst_InstallManager::runPathOfItem()
{
    QFETCH(QString, item);
    QFETCH(QStringList, placed);
    QFETCH(QString, runPath);
    RecordingStandIn standIn;
    ScopedInstalls installs;
    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    const QString outsideToken = QStringLiteral("{outside}");
    item.replace(outsideToken, outside.path());
    for (const QString &name : qAsConst(placed)) {
        if (name.startsWith(outsideToken)) {
            QFile package(QString(name).replace(outsideToken, outside.path()));
            QVERIFY(package.open(QIODevice::WriteOnly));
        } else {
            QVERIFY(installs.place(name));
        }
    }

    InstallManager manager;
    QVERIFY(run(manager, Queues().add(0, item, QStringLiteral("/qn"))));

    runPath.replace(outsideToken, outside.path());
    const Calls expected {{msiexec, QStringLiteral("/update"), runPath, QStringLiteral("/qn")}};
    QCOMPARE(standIn.calls(), expand(expected, installs));
    QCOMPARE(manager.getResults(), (Codes {{item, 0}}));
}

void tst_InstallManager::exitCodeMeanings_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("quietWithoutRights");
    QTest::addColumn<QString>("reason");
    const auto row = [](const char *tag, const char *language, int code, bool quiet,
                         const QString &reason) {
        QTest::newRow(tag) << language << code << quiet << reason;
    };

    const QString rights = QStringLiteral("the install needs administrator rights (exit code %1)");
    row("1603, quiet, without administrator rights", "en", 1603, true, rights.arg(1603));
    row("1625, quiet, without administrator rights", "en", 1625, true, rights.arg(1625));
    row("1602, quiet, without administrator rights", "en", 1602, true,
        "cancelled by the user (exit code 1602)");
    // Windows reports the whole code; these are the Windows Installer's common ones. Only 0
    // succeeds: 3010 and 1641 (restart needed or started) are failures too.
    row("0", "en", 0, false, "");
    row("1602", "en", 1602, false, "cancelled by the user (exit code 1602)");
    row("1603", "en", 1603, false, "fatal error during installation (exit code 1603)");
    row("1618", "en", 1618, false, "another installation is in progress (exit code 1618)");
    row("1619", "en", 1619, false, "the package could not be opened (exit code 1619)");
    row("1625", "en", 1625, false, "forbidden by system policy (exit code 1625)");
    row("1638", "en", 1638, false, "another version is already installed (exit code 1638)");
    row("1641", "en", 1641, false, "installed; Windows must restart to finish (exit code 1641)");
    row("3010", "en", 3010, false, "installed; Windows must restart to finish (exit code 3010)");
    row("other", "en", 1620, false, "exit code 1620");
    row("256: 0 in its low 8 bits", "en", 256, false, "exit code 256");
    row("negative, as Windows' NTSTATUS codes read", "en", int(0xC0000005), false,
        "exit code -1073741819");
    row("German", "de", 1603, false, "schwerwiegender Fehler bei der Installation (Exitcode 1603)");
    row("French", "fr", 3010, false,
        "installé ; Windows doit redémarrer pour terminer (code de sortie 3010)");
}

void tst_InstallManager::exitCodeMeanings()
{
    QFETCH(QString, language);
    QFETCH(int, exitCode);
    QFETCH(bool, quietWithoutRights);
    QFETCH(QString, reason);
    ScopedTranslation translation(language);
    QVERIFY(translation.isValid());

    const FailureReason verdict = InstallManager::exitReason(exitCode, quietWithoutRights);

    QCOMPARE(verdict.isFailure(), exitCode != 0);
    QCOMPARE(InstallManager::isSuccess(exitCode), exitCode == 0);
    QCOMPARE(verdict.text(), reason);
}

void tst_InstallManager::exeThatNeedsAdministratorRights_data()
{
    QTest::addColumn<Elevation::Start>("outcome");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("recorded");
    QTest::addColumn<QString>("reason");

    using S = Elevation::Start;
    QTest::newRow("given: installed") << S::Started << 0 << 0 << "";
    QTest::newRow("given: its code counts")
        << S::Started << 1603 << 1603 << "fatal error during installation (exit code 1603)";
    QTest::newRow("refused") << S::Refused << 0 << int(InstallManager::NotStarted)
                             << "administrator rights were refused";
}

// No wine to run it: the .exe fails to start, as one that asks for administrator rights does
// on Windows from a program that runs as invoker.
void tst_InstallManager::exeThatNeedsAdministratorRights()
{
    QFETCH(Elevation::Start, outcome);
    QFETCH(int, exitCode);
    QFETCH(int, recorded);
    QFETCH(QString, reason);
    RecordingStandIn standIn({msiexec});
    ScopedInstalls installs;
    QVERIFY(installs.place(QStringLiteral("setup.exe")));
    Calls elevated;

    InstallManager manager;
    manager.setElevation(std::make_unique<StandInElevation>(outcome, exitCode, elevated));
    QVERIFY(run(manager, Queues().add(0, "setup.exe", "/s /v", "{OLD}")));

    QCOMPARE(standIn.calls(), expand({removal({"{OLD}"})}, installs));
    const QString path = QDir::toNativeSeparators(installs.filePath(QStringLiteral("setup.exe")));
    QCOMPARE(elevated, (Calls {{path, "/s", "/v"}}));
    QCOMPARE(manager.getResults(), (Codes {{"setup.exe", recorded}}));
    QCOMPARE(manager.getFailureReason(QStringLiteral("setup.exe")).text(), reason);
}

void tst_InstallManager::downloadedPackage_data()
{
    QTest::addColumn<QByteArray>("digestLine");
    QTest::addColumn<bool>("replacedBeforeRun"); // while the product before it installs
    QTest::addColumn<QString>("reason"); // why it never ran; empty: it ran

    const QByteArray body("a fix for the installs folder");
    const QByteArray digest = QCryptographicHash::hash(body, QCryptographicHash::Md5).toHex();
    QTest::newRow("verified download runs") << digest + " fix.msi\n" << false << QString();
    QTest::newRow("digest file without a digest line: runs unverified")
        << QByteArray("// no digest yet\n") << false << QString();
    // Its older product stays too.
    QTest::newRow("replaced after its check: never runs") << digest
            + " fix.msi\n" << true << "the package changed after it was checked";
    QTest::newRow("no digest, replaced after its check: never runs")
        << QByteArray() << true << "the package changed after it was checked";
}

void tst_InstallManager::downloadedPackage()
{
    QFETCH(QByteArray, digestLine);
    QFETCH(bool, replacedBeforeRun);
    QFETCH(QString, reason);
    const bool runs = reason.isEmpty();
    RecordingStandIn standIn;
    ScopedInstalls installs;
    QVERIFY(installs.place(QStringLiteral("first.msi")));
    FaultServer server;
    server.serve(QStringLiteral("/packages/fix.msi"),
        {FaultServer::ok(QByteArrayLiteral("a fix for the installs folder"))});
    server.serve(QStringLiteral("/packages/fix.md5"),
        {digestLine.isNull() ? FaultServer::status(404) : FaultServer::ok(digestLine)});
    const QString url = server.url(QStringLiteral("/packages/fix.msi")).toString();

    InstallManager manager;
    QSignalSpy done(&manager, &InstallManager::installsDone);
    const Queues queues = Queues().add(0, "first.msi").add(1, url, "/qn", "{OLD}");
    standIn.hold();
    manager.startInstalls(queues.install, queues.remove);
    QTRY_COMPARE_WITH_TIMEOUT(standIn.calls().size(), 1, 20000);
    if (replacedBeforeRun)
        QVERIFY(TestFiles::writeFile(installs.filePath(QStringLiteral("fix.msi")), "other"));
    standIn.release();
    QVERIFY(done.wait(20000));

    QCOMPARE(server.count(QStringLiteral("/packages/fix.msi")), 1);
    Calls expected {msiCall("/package", "first.msi")};
    if (runs)
        expected << removal({"{OLD}"}) << msiCall("/package", "fix.msi", {"/qn"});
    QCOMPARE(standIn.calls(), expand(expected, installs));
    QCOMPARE(manager.getResults(),
        (Codes {{QStringLiteral("first.msi"), 0}, {url, runs ? 0 : InstallManager::NotStarted}}));
    QCOMPARE(manager.getFailureReason(url).text(), reason);
}

#ifndef Q_OS_WIN
void tst_InstallManager::msiexecFoundOnPathBeforeBesideExecutable_data()
{
    QTest::addColumn<QStringList>("onPath");
    QTest::addColumn<bool>("besideUsed");

    QTest::newRow("one on PATH wins") << QStringList {msiexec} << false;
    QTest::newRow("none on PATH, the one beside the executable") << QStringList() << true;
}

void tst_InstallManager::msiexecFoundOnPathBeforeBesideExecutable()
{
    QFETCH(QStringList, onPath);
    QFETCH(bool, besideUsed);
    RecordingStandIn standIn(onPath);
    ScopedInstalls installs;
    QVERIFY(installs.place(QStringLiteral("fix.msi")));
    // Where the build puts the shipped stand-in; this one leaves a mark and succeeds.
    QTemporaryDir marks;
    QVERIFY(marks.isValid());
    const QString mark = marks.filePath(QStringLiteral("beside"));
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/msiexec.exe");
    QFile script(beside);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n: > '" + QFile::encodeName(mark) + "'\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
    const auto removeScript = qScopeGuard([&beside] { QFile::remove(beside); });

    InstallManager manager;
    QVERIFY(run(manager, Queues().add(0, "fix.msi")));

    QCOMPARE(QFile::exists(mark), besideUsed);
    QCOMPARE(standIn.calls().size(), besideUsed ? 0 : 1);
    QCOMPARE(manager.getResults(), (Codes {{"fix.msi", 0}}));
}
#endif

QTEST_GUILESS_MAIN(tst_InstallManager)
#include "tst_installmanager.moc"
