#include "installcommand.h"

#include <QProcess>

namespace {

InstallCommand msiexecLine(InstallCommand::Kind kind, const QString &rest)
{
    InstallCommand command;
    command.kind = kind;
    command.program = QStringLiteral("msiexec.exe");
    command.nativeArguments = rest;
    // Split as QProcess splits a command: blanks separate words, double quotes group them.
    command.arguments = QProcess::splitCommand(command.program + QLatin1Char(' ') + rest).mid(1);
    return command;
}

} // namespace

InstallCommand::Kind InstallCommand::packageKind(const QString &path)
{
    if (path.endsWith(QLatin1String(".exe")))
        return Kind::Exe;
    if (path.endsWith(QLatin1String(".msi")))
        return Kind::Msi;
    if (path.endsWith(QLatin1String(".msp")))
        return Kind::Msp;
    return Kind::Unknown;
}

InstallCommand InstallCommand::make(Kind kind, const QString &target, const QString &parameters)
{
    const QString quotedPath = QLatin1Char('"') + target + QLatin1String("\" ");
    switch (kind) {
    case Kind::Removal:
        // The remove value is not quoted: it goes to msiexec as the configuration writes it.
        // Without /norestart, /passive restarts Windows when the removal needs it, unasked:
        // the user's unsaved work is lost and the packages after it never run.
        return msiexecLine(
            kind, QLatin1String("/uninstall ") + target + QLatin1String(" /passive /norestart"));
    case Kind::Msi:
        return msiexecLine(kind, QLatin1String("/package ") + quotedPath + parameters);
    case Kind::Msp:
        return msiexecLine(kind, QLatin1String("/update ") + quotedPath + parameters);
    case Kind::Exe: {
        InstallCommand command;
        command.kind = kind;
        command.program = target;
        // Every blank separates two arguments, so two blanks in a row give an empty one.
        command.arguments = parameters.split(QLatin1Char(' '), Qt::KeepEmptyParts);
        return command;
    }
    case Kind::Unknown:
        break;
    }
    return {};
}
