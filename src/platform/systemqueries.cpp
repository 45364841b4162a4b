#include "platform/standinsystemqueries.h"
#include "platform/winesystemqueries.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

std::unique_ptr<SystemQueries> createSystemQueries(const QString &helperFolder)
{
    const QString folder =
        helperFolder.isEmpty() ? QCoreApplication::applicationDirPath() : helperFolder;
    const QString helper = QDir(folder).filePath(WineSystemQueries::HelperFileName);
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    // Only a shipped folder holds the helper, so a build folder never makes a Wine prefix.
    if (!QFileInfo(helper).isFile() || wine.isEmpty())
        return std::make_unique<StandInSystemQueries>();
    return std::make_unique<WineSystemQueries>(
        wine, QStringList {helper}, WineSystemQueries::Timeouts());
}
