#include "configmanager.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextCodec>

namespace {

QJsonArray products(const QJsonObject &config)
{
    return config.value(QLatin1String("products")).toArray();
}

// Absent keys take their default; a present key of another type reads as "".
QString stringOr(const QJsonObject &object, QLatin1String key, const QString &whenAbsent)
{
    return object.contains(key) ? object.value(key).toString() : whenAbsent;
}

} // namespace

QString ConfigManager::configPath()
{
    return QCoreApplication::applicationDirPath() + QLatin1String("/kestrun.json");
}

bool ConfigManager::readConfig()
{
    return readConfig(configPath());
}

bool ConfigManager::readConfig(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;

    config = parse(file.readAll()).object();
    title = config.value(QLatin1String("title")).toString();

    QStringList names, displays, removeFirsts, files, parameters;
    QHash<QString, int> firstIndexOfName;
    const QJsonArray items = products(config);
    for (const QJsonValue &item : items) {
        const QJsonObject product = item.toObject();
        names << product.value(QLatin1String("name")).toString();
        if (!firstIndexOfName.contains(names.constLast()))
            firstIndexOfName.insert(names.constLast(), names.size() - 1);
        files << product.value(QLatin1String("file")).toString();
        displays << stringOr(product, QLatin1String("display"), QStringLiteral("true"));
        removeFirsts << stringOr(product, QLatin1String("remove-first"), QStringLiteral("false"));
        parameters << product.value(QLatin1String("parameters")).toString();
    }
    nameList = names;
    productIndex = firstIndexOfName;
    displayList = displays;
    removeFirstList = removeFirsts;
    fileList = files;
    parameterList = parameters;
    return true;
}

QJsonDocument ConfigManager::parse(const QByteArray &contents, QJsonParseError *error)
{
    return QJsonDocument::fromJson(toUtf8(contents), error);
}

ConfigManager::Encoding ConfigManager::encodingOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8WithBom;
    // What Notepad saves as "Unicode" and "Unicode big endian".
    if (bytes.startsWith("\xFF\xFE"))
        return Encoding::Utf16LittleEndian;
    if (bytes.startsWith("\xFE\xFF"))
        return Encoding::Utf16BigEndian;
    return Encoding::Utf8;
}

QByteArray ConfigManager::toUtf8(const QByteArray &bytes)
{
    switch (encodingOf(bytes)) {
    case Encoding::Utf8:
        return bytes;
    case Encoding::Utf8WithBom:
        return bytes.mid(3);
    case Encoding::Utf16LittleEndian:
        return QTextCodec::codecForName("UTF-16LE")->toUnicode(bytes.mid(2)).toUtf8();
    case Encoding::Utf16BigEndian:
        return QTextCodec::codecForName("UTF-16BE")->toUnicode(bytes.mid(2)).toUtf8();
    }
    return bytes;
}

QStringList ConfigManager::getProductFiles() const
{
    QStringList files;
    const QJsonArray items = products(config);
    for (const QJsonValue &item : items)
        files << item.toObject().value(QLatin1String("file")).toString();
    return files;
}

QHash<QString, QString> ConfigManager::getPinnedDigests() const
{
    return firstByFile(QLatin1String("sha256"), QString());
}

QHash<QString, QString> ConfigManager::getPinnedPublishers() const
{
    // A product cannot drop the top level's pin: nothing looser than the top level runs.
    return firstByFile(
        QLatin1String("publisher"), config.value(QLatin1String("publisher")).toString());
}

QHash<QString, QString> ConfigManager::firstByFile(QLatin1String key, const QString &fallback) const
{
    QHash<QString, QString> values;
    const QJsonArray items = products(config);
    for (const QJsonValue &item : items) {
        const QJsonObject product = item.toObject();
        QString value = product.value(key).toString();
        if (value.isEmpty())
            value = fallback;
        const QString file = product.value(QLatin1String("file")).toString();
        if (!value.isEmpty() && !values.contains(file))
            values.insert(file, value);
    }
    return values;
}

QJsonObject ConfigManager::findProduct(const QString &name) const
{
    // Looked up for every product at start-up; a scan each time is quadratic in the list.
    const auto found = productIndex.constFind(name);
    if (found == productIndex.constEnd())
        return {};
    return products(config).at(*found).toObject();
}

QJsonObject ConfigManager::getDependencies(const QString &name) const
{
    return findProduct(name).value(QLatin1String("dependencies")).toObject();
}

QString ConfigManager::getGuid(const QString &name) const
{
    return findProduct(name).value(QLatin1String("guid")).toString();
}
