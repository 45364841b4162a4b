// The install command lines built from arbitrary text, "package name\0parameters\0remove value":
// whatever the configuration holds, the package a line names must be the one that was checked,
// as one word, and a line must carry the parameters and remove value as they were written.

#include "download/packagefiles.h"
#include "fuzzapplication.h"
#include "install/installcommand.h"

namespace {

using FuzzApplication::require;

void checkPackageLine(const QString &path, const QString &parameters)
{
    const InstallCommand::Kind kind = InstallCommand::packageKind(path);
    const InstallCommand command = InstallCommand::make(kind, path, parameters);
    require(command.kind == kind);
    switch (kind) {
    case InstallCommand::Kind::Msi:
    case InstallCommand::Kind::Msp:
        require(command.program == QLatin1String("msiexec.exe"));
        require(command.nativeArguments.endsWith(QLatin1String("\" ") + parameters));
        require(command.arguments.size() >= 2);
        require(command.arguments.at(1) == path);
        break;
    case InstallCommand::Kind::Exe:
        require(command.program == path);
        require(command.arguments.join(QLatin1Char(' ')) == parameters);
        break;
    case InstallCommand::Kind::Removal:
    case InstallCommand::Kind::Unknown:
        require(command.program.isEmpty() && command.arguments.isEmpty());
        break;
    }
}

void checkRemovalLine(const QString &remove)
{
    const InstallCommand command =
        InstallCommand::make(InstallCommand::Kind::Removal, remove, QString());
    require(command.nativeArguments
        == QLatin1String("/uninstall ") + remove + QLatin1String(" /passive /norestart"));
    require(command.arguments.value(0) == QLatin1String("/uninstall"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList fields =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size))
            .split(QChar(0));
    const QString name = fields.value(0);
    // Only a name FileManager takes as safe ever reaches a command line, inside "installs".
    if (PackageFiles::isSafeName(name))
        checkPackageLine(QStringLiteral("C:\\Updates\\installs\\") + name, fields.value(1));
    checkRemovalLine(fields.value(2));
    return 0;
}
