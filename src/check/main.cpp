#include "check/configcheck.h"
#include "check/jsonreport.h"
#include "check/textreport.h"
#include "check/urlprobe.h"
#include "config/configmanager.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

#ifdef Q_OS_WIN
#include "platform/win32console.h"
#endif

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

bool writeOut(const QString &text)
{
#ifdef Q_OS_WIN
    // A console would read UTF-8 in its own code page; files and pipes get UTF-8.
    if (Win32Console::isStandardOutputConsole())
        return Win32Console::writeToStandardOutput(text.toStdWString());
#endif
    const QByteArray bytes = text.toUtf8();
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
        writeOut(parser.helpText());
        return Clean;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(QStringLiteral("one configuration at a time"));
    const QString path = positional.value(0, ConfigManager::configPath());

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

    const QString output = parser.isSet(json) ? QString::fromUtf8(JsonReport::format(report))
                                              : TextReport::format(report);
    if (!writeOut(output))
        return CouldNotRun;
    return report.count(Finding::Severity::Error) > 0 ? ErrorsFound : Clean;
}
