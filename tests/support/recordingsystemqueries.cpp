#include "recordingsystemqueries.h"

RecordingSystemQueries::RecordingSystemQueries(Machine &machine)
    : machine(machine)
{ }

bool RecordingSystemQueries::registryValueExists(
    const QString &keyPath, const QString &valueName, bool view64)
{
    machine.asked.append(registryQuestion(keyPath, valueName, view64));
    const QSet<QString> &view = view64 ? machine.values64 : machine.valuesDefault;
    return view.contains(value(keyPath, valueName));
}

bool RecordingSystemQueries::isProductInstalled(const QString &productCode)
{
    machine.asked.append(installedQuestion(productCode));
    return machine.installed.contains(productCode);
}

QString RecordingSystemQueries::productVersion(const QString &productCode)
{
    machine.asked.append(versionQuestion(productCode));
    return machine.installed.value(productCode);
}

QString RecordingSystemQueries::value(const QString &keyPath, const QString &valueName)
{
    return keyPath + QLatin1String(" : ") + valueName;
}

QString RecordingSystemQueries::registryQuestion(
    const QString &keyPath, const QString &valueName, bool view64)
{
    return QStringLiteral("registry %1 (%2 view)")
        .arg(
            value(keyPath, valueName), view64 ? QLatin1String("64-bit") : QLatin1String("default"));
}

QString RecordingSystemQueries::installedQuestion(const QString &productCode)
{
    return QStringLiteral("installed %1").arg(productCode);
}

QString RecordingSystemQueries::versionQuestion(const QString &productCode)
{
    return QStringLiteral("version of %1").arg(productCode);
}

RecordingSystemQueries::Machine SampleMachine::make(bool amd64)
{
    RecordingSystemQueries::Machine machine;
    machine.amd64 = amd64;
    machine.installed = {{Alpha, "2015.1.0"}, {Beta, "2016.2"}, {Unreadable, ""}};
    const auto value = &RecordingSystemQueries::value;
    const QSet<QString> both = {value(Kestrun, "Version"), value(Kestrun, ""), value(Other, "Name"),
        value(Viewer, "InstallDir")};
    machine.values64 = both + QSet<QString> {value(Only64, "Name")};
    machine.valuesDefault = both + QSet<QString> {value(Only32, "Name")};
    return machine;
}
