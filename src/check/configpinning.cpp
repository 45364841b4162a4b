#include "configpinning.h"

#include "config/configmanager.h"
#include "download/downloadmanager.h"
#include "download/packagefiles.h"
#include "platform/hasher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstring>

namespace {

/** Where one product's keys lie in the text of its configuration. */
struct ProductSpans
{
    QString file;
    int fileKeyStart = -1;
    int fileValueEnd = -1;
    int pinStart = -1; // the value of "sha256", when the product has one
    int pinEnd = -1;
};

// Walks a valid JSON text for where things are; the values themselves are QJsonDocument's.
class JsonCursor
{
public:
    explicit JsonCursor(const QByteArray &text)
        : text(text)
    { }

    int position() const { return pos; }
    char next()
    {
        while (pos < text.size() && std::strchr(" \t\r\n", text.at(pos)))
            ++pos;
        return pos < text.size() ? text.at(pos) : '\0';
    }
    bool take(char c)
    {
        if (next() != c)
            return false;
        ++pos;
        return true;
    }
    QString string()
    {
        next();
        const int start = pos++;
        while (pos < text.size() && text.at(pos) != '"')
            pos += text.at(pos) == '\\' ? 2 : 1;
        ++pos;
        const QByteArray token = text.mid(start, pos - start);
        return QJsonDocument::fromJson('[' + token + ']').array().at(0).toString();
    }
    void skipValue()
    {
        const char first = next();
        if (first == '"') {
            string();
        } else if (first == '{' || first == '[') {
            int depth = 0;
            do {
                const char c = text.at(pos);
                if (c == '"') {
                    string();
                    continue;
                }
                depth += (c == '{' || c == '[') ? 1 : (c == '}' || c == ']') ? -1 : 0;
                ++pos;
            } while (depth > 0 && pos < text.size());
        } else {
            while (pos < text.size() && !std::strchr(",}] \t\r\n", text.at(pos)))
                ++pos;
        }
    }

private:
    const QByteArray &text;
    int pos = 0;
};

ProductSpans productSpans(JsonCursor &cursor)
{
    ProductSpans spans;
    cursor.take('{');
    while (!cursor.take('}') && cursor.next() != '\0') {
        cursor.take(',');
        cursor.next();
        const int keyStart = cursor.position();
        const QString key = cursor.string();
        cursor.take(':');
        cursor.next();
        const int valueStart = cursor.position();
        // Any other type reads as "", as Kestrun reads it.
        const QString value = cursor.next() == '"' ? cursor.string() : QString();
        if (value.isNull())
            cursor.skipValue();
        if (key == QLatin1String("file")) {
            spans.file = value;
            spans.fileKeyStart = keyStart;
            spans.fileValueEnd = cursor.position();
        } else if (key == QLatin1String("sha256")) {
            spans.pinStart = valueStart;
            spans.pinEnd = cursor.position();
        }
    }
    return spans;
}

// The products of the top-level "products" array, in order.
QList<ProductSpans> productsIn(const QByteArray &text)
{
    QList<ProductSpans> products;
    JsonCursor cursor(text);
    cursor.take('{');
    while (!cursor.take('}') && cursor.next() != '\0') {
        cursor.take(',');
        const QString key = cursor.string();
        cursor.take(':');
        if (key != QLatin1String("products") || cursor.next() != '[') {
            cursor.skipValue();
            continue;
        }
        cursor.take('[');
        while (!cursor.take(']') && cursor.next() != '\0') {
            cursor.take(',');
            if (cursor.next() == '{')
                products << productSpans(cursor);
            else
                cursor.skipValue();
        }
    }
    return products;
}

// A new "sha256" goes after "file", on a line of its own where "file" has one.
QByteArray pinAfterFile(const QByteArray &text, const ProductSpans &spans, const QString &pin)
{
    const int lineStart = text.lastIndexOf('\n', spans.fileKeyStart - 1) + 1;
    const QByteArray before = text.mid(lineStart, spans.fileKeyStart - lineStart);
    const bool ownLine = before.trimmed().isEmpty();
    return ',' + (ownLine ? '\n' + before : QByteArray(" ")) + "\"sha256\": \"" + pin.toLatin1()
        + '"';
}

QByteArray withPins(QByteArray text, const QHash<QString, QString> &pins)
{
    const QList<ProductSpans> products = productsIn(text);
    // From the end, so that every edit leaves the places before it where they were.
    for (auto it = products.crbegin(); it != products.crend(); ++it) {
        const QString pin = pins.value(it->file);
        if (pin.isEmpty())
            continue;
        if (it->pinStart >= 0)
            text.replace(it->pinStart, it->pinEnd - it->pinStart, '"' + pin.toLatin1() + '"');
        else
            text.insert(it->fileValueEnd, pinAfterFile(text, *it, pin));
    }
    return text;
}

QString fileSha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    Hasher hasher(Hasher::Algorithm::Sha256);
    while (!file.atEnd())
        hasher.addData(file.read(1024 * 1024));
    return file.error() == QFileDevice::NoError ? QString::fromLatin1(hasher.result().toHex())
                                                : QString();
}

} // namespace

ConfigPinning::ConfigPinning(QObject *parent)
    : QObject(parent)
{ }

void ConfigPinning::pin(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problems << QStringLiteral("%1 cannot be read").arg(path);
        concludeWhenDone();
        return;
    }
    text = ConfigManager::toUtf8(file.readAll());
    ConfigManager config;
    config.readConfig(path);
    // Kestrun looks for a relative local path in "installs" beside itself and its kestrun.json.
    const QString installs = QFileInfo(path).dir().filePath(QStringLiteral("installs"));
    QStringList files = config.getProductFiles();
    files.removeDuplicates();
    for (const QString &item : qAsConst(files)) {
        if (item.isEmpty())
            continue;
        if (PackageFiles::isUrl(item))
            fetch(item);
        else
            pinLocal(item, installs);
    }
    concludeWhenDone();
}

void ConfigPinning::pinLocal(const QString &file, const QString &installs)
{
    const QString sha256 = fileSha256(QDir(installs).filePath(file));
    if (sha256.isEmpty())
        problems << QStringLiteral("%1: the file is not there").arg(file);
    else
        pins.insert(file, sha256);
}

void ConfigPinning::fetch(const QString &file)
{
    const QString scratchName = QDir(scratch.path()).filePath(QString::number(fetches.size()));
    fetches[file].pending = 2;
    pending += 2;
    const QUrl url(file, QUrl::TolerantMode);
    auto package = new DownloadManager(url, scratchName + QLatin1String(".package"));
    connect(package, &DownloadManager::downloaded, this,
        [this, file](DownloadManager *dm) { transferEnded(file, dm, QString()); });
    const QString digestPath = scratchName + QLatin1String(".md5");
    auto digest = new DownloadManager(PackageFiles::digestUrl(url), digestPath);
    digest->setMaxSize(PackageFiles::MaxDigestSize);
    connect(digest, &DownloadManager::downloaded, this,
        [this, file, digestPath](DownloadManager *dm) { transferEnded(file, dm, digestPath); });
}

// digestPath: where the digest file went; empty for the package.
void ConfigPinning::transferEnded(
    const QString &file, DownloadManager *dm, const QString &digestPath)
{
    Fetch &fetched = fetches[file];
    const bool arrived = !dm->failureReason().isFailure();
    const bool digest = !digestPath.isEmpty();
    if (!digest && !arrived)
        problems << QStringLiteral("%1: %2").arg(file, dm->failureReason().text());
    if (!digest && arrived) {
        fetched.sha256 = dm->getDigest(Hasher::Algorithm::Sha256);
        fetched.md5 = dm->getMD5();
    }
    // A digest file the server does not have, or will not give, leaves the pin to the package.
    if (digest && arrived)
        fetched.digestLine = PackageFiles::readMD5File(digestPath);
    // It is still inside its downloaded() emission.
    dm->deleteLater();
    --pending;
    if (--fetched.pending == 0 && !fetched.sha256.isEmpty())
        checkAgainstDigest(file, fetched);
    concludeWhenDone();
}

void ConfigPinning::checkAgainstDigest(const QString &file, const Fetch &fetched)
{
    const QString expected = fetched.digestLine.value(0);
    const QString computed = PackageFiles::digestOfSameForm(expected, fetched.md5, fetched.sha256);
    if (!fetched.digestLine.isEmpty() && !PackageFiles::sameDigest(computed, expected))
        problems << QStringLiteral("%1: it does not match its digest file").arg(file);
    else
        pins.insert(file, fetched.sha256);
}

void ConfigPinning::concludeWhenDone()
{
    if (pending > 0)
        return;
    result = problems.isEmpty() ? withPins(text, pins) : QByteArray();
    emit finished();
}
