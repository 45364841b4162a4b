#ifndef RECORDINGSYSTEMQUERIES_H
#define RECORDINGSYSTEMQUERIES_H

#include "platform/systemqueries.h"

#include <QMap>
#include <QSet>
#include <QStringList>

/**
 * System queries answered from a made-up machine that the test owns, recording every
 * registry and Windows Installer question in the order it was asked.
 */
class RecordingSystemQueries : public SystemQueries
{
public:
    /** The made-up machine, and the questions asked of it. */
    struct Machine
    {
        bool amd64 = true;
        /** Installed product codes with their "ProductVersion" (empty: unreadable). */
        QMap<QString, QString> installed;
        /** Registry values as value(key, name), in the 64-bit view of an AMD64 machine. */
        QSet<QString> values64;
        /** Registry values in the default view (the only one on a 32-bit machine). */
        QSet<QString> valuesDefault;
        /** Every registry and Windows Installer question, as the static helpers spell it. */
        QStringList asked;
    };

    /** Answers from machine, which must outlive this object. */
    explicit RecordingSystemQueries(Machine &machine);

    bool isNativeAmd64() override { return machine.amd64; }
    bool registryValueExists(
        const QString &keyPath, const QString &valueName, bool view64) override;
    bool isProductInstalled(const QString &productCode) override;
    QString productVersion(const QString &productCode) override;

    /** A registry value as the machine's sets hold it. */
    static QString value(const QString &keyPath, const QString &valueName);
    /** The record of a registry question. */
    static QString registryQuestion(const QString &keyPath, const QString &valueName, bool view64);
    /** The record of an "is it installed?" question. */
    static QString installedQuestion(const QString &productCode);
    /** The record of a "which version is installed?" question. */
    static QString versionQuestion(const QString &productCode);

private:
    Machine &machine;
};

/** The rule suites' machine: Alpha 2015.1.0 and Beta 2016.2 installed, Unreadable too but
    without a readable version, Absent not. Kestrun has a "Version" and a default value in both
    views, Other only "Name", Viewer "InstallDir"; Only32 exists only in the default (32-bit)
    view and Only64 only in the 64-bit view. */
namespace SampleMachine {
inline const QString Alpha = QStringLiteral("{AAAAAAAA-0000-0000-0000-000000000001}");
inline const QString Beta = QStringLiteral("{BBBBBBBB-0000-0000-0000-000000000002}");
inline const QString Unreadable = QStringLiteral("{CCCCCCCC-0000-0000-0000-000000000003}");
inline const QString Absent = QStringLiteral("{DDDDDDDD-0000-0000-0000-000000000004}");
inline const QString Kestrun = QStringLiteral("SOFTWARE\\Kestrun");
inline const QString Other = QStringLiteral("SOFTWARE\\Other");
inline const QString Viewer = QStringLiteral("SOFTWARE\\Corvane\\Viewer");
inline const QString Only32 = QStringLiteral("SOFTWARE\\Only32");
inline const QString Only64 = QStringLiteral("SOFTWARE\\Only64");

RecordingSystemQueries::Machine make(bool amd64);
} // namespace SampleMachine

#endif // RECORDINGSYSTEMQUERIES_H
