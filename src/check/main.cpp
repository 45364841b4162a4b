#include "check/configcheck.h"
#include "check/configpinning.h"
#include "check/jsonreport.h"
#include "check/textreport.h"
#include "check/urlprobe.h"
#include "config/configmanager.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

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

// Nothing is printed unless every package could be pinned: a half-pinned configuration is
// worse than none.
int printPinned(QCoreApplication &app, const QString &path)
{
    ConfigPinning pinning;
    bool finished = false;
    QObject::connect(&pinning, &ConfigPinning::finished, &app, [&app, &finished] {
        finished = true;
        app.quit();
    });
    pinning.pin(path);
    if (!finished)
        app.exec();
    for (const QString &error : pinning.errors())
        std::fprintf(stderr, "kestrun-check: %s\n", qPrintable(error));
    if (!pinning.errors().isEmpty())
        return ErrorsFound;
    return writeOut(QString::fromUtf8(pinning.pinned())) ? Clean : CouldNotRun;
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
    const QCommandLineOption pin(QStringLiteral("pin"),
        QStringLiteral("Instead of a report, download every product's package and print the "
                       "configuration with each package's SHA-256 in its \"sha256\", the rest "
                       "of the file as it stands (UTF-8)."));
    parser.addOption(urls);
    parser.addOption(json);
    parser.addOption(pin);
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
    // Shown in the report as the user writes paths on this system.
    const QString path = QDir::toNativeSeparators(positional.value(0, ConfigManager::configPath()));
    if (parser.isSet(pin)) {
        if (parser.isSet(urls) || parser.isSet(json))
            return usageError(QStringLiteral("--pin prints a configuration, not a report"));
        return printPinned(app, path);
    }

    CheckReport report = ConfigCheck::run(path, createSystemQueries());
    if (parser.isSet(urls)) {
        UrlProbe probe;
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
