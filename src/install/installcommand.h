#ifndef INSTALLCOMMAND_H
#define INSTALLCOMMAND_H

#include <QString>
#include <QStringList>

/**
 * What is started for one removal or one package: the program and its command line, in both
 * forms QProcess takes. Built the same way on every system, so the line that Windows hands to
 * msiexec unchanged can be checked anywhere.
 */
struct InstallCommand
{
    enum class Kind { Removal, Msi, Msp, Exe, Unknown };

    /** The kind of package a path names, by its ending, compared case-sensitively (SETUP.EXE
        and fix.MSI are Unknown). */
    static Kind packageKind(const QString &path);
    /** target: the remove value of a removal, else the package's path. Unknown gives an empty
        command. */
    static InstallCommand make(Kind kind, const QString &target, const QString &parameters);

    /** Whether msiexec.exe runs it (removal, .msi, .msp). */
    bool runsMsiexec() const { return kind != Kind::Exe && kind != Kind::Unknown; }

    Kind kind = Kind::Unknown;
    /** "msiexec.exe", or the package's path for an .exe. */
    QString program;
    /** The rest of an msiexec line exactly as written, quotes and blanks kept, for
        QProcess::setNativeArguments; empty for an .exe. */
    QString nativeArguments;
    /** The arguments as separate words: an msiexec line split as QProcess splits a command
        string, an .exe's parameters split at every blank (empty pieces kept). */
    QStringList arguments;
};

#endif // INSTALLCOMMAND_H
