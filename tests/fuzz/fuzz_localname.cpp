// A package URL as arbitrary text: the name it is stored under, when that name is taken as
// safe, and its digest companion must both lie directly inside the installs folder.

#include "download/packagefiles.h"
#include "fuzzapplication.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool liesDirectlyIn(const QString &folder, const QString &path)
{
    return QFileInfo(QDir::cleanPath(path)).absolutePath() == folder;
}

void checkStoredName(const QString &name)
{
    if (!PackageFiles::isSafeName(name))
        return;
    const QString installs = QDir::cleanPath(QDir(QDir::tempPath()).filePath("installs"));
    const QString local = QDir(installs).filePath(name);
    const QString digest = PackageFiles::digestPath(local);
    FuzzApplication::require(
        liesDirectlyIn(installs, local) && liesDirectlyIn(installs, digest) && digest != local);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    checkStoredName(PackageFiles::localName(text));
    // The same text taken as a name of its own, as a decoded URL segment can be anything.
    checkStoredName(text);
    (void)PackageFiles::digestUrl(QUrl(text, QUrl::TolerantMode));
    return 0;
}
