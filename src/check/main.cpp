#include "check/configcheck.h"
#include "check/jsonreport.h"
#include "check/textreport.h"
#include "check/urlprobe.h"
#include "config/configmanager.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {

// Exit codes: no errors, errors found, the check itself could not run.
constexpr int Clean = 0;
constexpr int ErrorsFound = 1;
constexpr int CouldNotRun = 2;

int usageError(const QString &message)
{
    std::fprintf(stderr, "kestrun-check: %s\nTry kestrun-check --help.\n", qPrintable(message));
    return CouldNotRun;
}

bool writeOut(const QByteArray &bytes)
{
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrun-check"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Checks a Kestrun configuration for mistakes and explains, on this machine, why each "
        "product is or is not offered.\nExit code: 0 no errors, 1 errors found, 2 the check "
        "could not run."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption urls(QStringLiteral("urls"),
        QStringLiteral("Also ask the servers whether every package and digest file can be "
                       "fetched (nothing is stored)."));
    const QCommandLineOption json(
        QStringLiteral("json"), QStringLiteral("Print the report as one JSON document."));
    parser.addOption(urls);
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("config"),
        QStringLiteral("The configuration to check; kestrun.json beside this program when "
                       "none is given."),
        QStringLiteral("[kestrun.json]"));

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        writeOut(parser.helpText().toUtf8());
        return Clean;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(QStringLiteral("one configuration at a time"));
    // Shown in the report as the user writes paths on this system.
    const QString path = QDir::toNativeSeparators(positional.value(0, ConfigManager::configPath()));

    CheckReport report = ConfigCheck::run(path, createSystemQueries());
    if (parser.isSet(urls)) {
        UrlProbe probe;
        if (!probe.isReady())
            return usageError(QStringLiteral("no scratch folder for the digest files"));
        QObject::connect(&probe, &UrlProbe::finished, &app, &QCoreApplication::quit);
        ConfigCheck::probeUrls(path, probe);
        if (!probe.isDone())
            app.exec();
        ConfigCheck::addUrls(report, probe);
    }

    const QByteArray output =
        parser.isSet(json) ? JsonReport::format(report) : TextReport::format(report).toUtf8();
    if (!writeOut(output))
        return CouldNotRun;
    return report.count(Finding::Severity::Error) > 0 ? ErrorsFound : Clean;
}
