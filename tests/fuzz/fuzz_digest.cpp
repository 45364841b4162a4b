// A digest file and a package as arbitrary bytes, "digest file\0package": the digest line is
// read and the package hashed and checked against it as a copy already present is. A package
// may only pass with its own MD5 or SHA-256.

#include "download/hashlane.h"
#include "download/packagefiles.h"
#include "fuzzapplication.h"

#include <QCryptographicHash>
#include <QEventLoop>

namespace {

QString hexDigest(const QByteArray &data, QCryptographicHash::Algorithm algorithm)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, algorithm).toHex());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const int separator = input.indexOf('\0');
    const QByteArray digestFile = separator < 0 ? input : input.left(separator);
    const QByteArray package = separator < 0 ? QByteArray() : input.mid(separator + 1);

    const QString digestPath = FuzzApplication::writeBeside(QStringLiteral("fuzz.md5"), digestFile);
    const QString packagePath = FuzzApplication::writeBeside(QStringLiteral("fuzz.msi"), package);

    const QStringList fields = PackageFiles::readMD5File(digestPath);
    if (fields.isEmpty())
        return 0;
    HashLane lane;
    lane.addFile(packagePath);
    QEventLoop hashed;
    QObject::connect(&lane, &HashLane::finished, &hashed, &QEventLoop::quit);
    lane.finish();
    hashed.exec();
    const QString digest = fields.first().toLower();
    FuzzApplication::require(!PackageFiles::matchesDigest(fields.first(), lane)
        || digest == hexDigest(package, QCryptographicHash::Md5)
        || digest == hexDigest(package, QCryptographicHash::Sha256));
    return 0;
}
