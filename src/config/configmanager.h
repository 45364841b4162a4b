#ifndef CONFIGMANAGER_H
#define CONFIGMANAGER_H

#include <QByteArray>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

/**
 * Reads kestrun.json from the application directory and answers questions about its products.
 *
 * Every owner keeps an instance of its own and calls readConfig() at once; the file is never
 * written. A value of the wrong JSON type reads as the empty string (or an empty object for
 * "dependencies"), so a damaged configuration never stops the program.
 */
class ConfigManager
{
public:
    ConfigManager() = default;

    /** Reads the file. False only when it cannot be opened; invalid JSON reads as empty. */
    bool readConfig();
    /** As readConfig(), from the file at path instead. */
    bool readConfig(const QString &path);

    QString getTitle() const { return title; }
    /** One entry per product, in file order; the five lists always have the same length. */
    QStringList getNameList() const { return nameList; }
    /** "display" of every product, "true" when absent. */
    QStringList getDisplayList() const { return displayList; }
    /** "remove-first" of every product, "false" when absent. */
    QStringList getRemoveFirstList() const { return removeFirstList; }
    QStringList getFileList() const { return fileList; }
    QStringList getParameterList() const { return parameterList; }

    /** The "file" of every product, read afresh from the parsed file. */
    QStringList getProductFiles() const;
    /** File to the "sha256" its first product with a "sha256" pins for it. */
    QHash<QString, QString> getPinnedDigests() const;
    /** File to the signer's name its first product with a "publisher" pins for it: the
        product's own, else the top level's. An empty or non-string value counts as absent. */
    QHash<QString, QString> getPinnedPublishers() const;
    /** Rules object of the first product called name; empty when none is. */
    QJsonObject getDependencies(const QString &name) const;
    /** "guid" of the first product called name; empty when none is. */
    QString getGuid(const QString &name) const;

    /** The file's path: application directory + "/kestrun.json". */
    static QString configPath();
    /** The file's contents as readConfig() understands them; error says where parsing failed. */
    static QJsonDocument parse(const QByteArray &contents, QJsonParseError *error = nullptr);

    /** How the bytes of a configuration file are encoded, as told by a byte-order mark. */
    enum class Encoding { Utf8, Utf8WithBom, Utf16LittleEndian, Utf16BigEndian };
    /** The encoding of the file's bytes: UTF-16 only with its byte-order mark. */
    static Encoding encodingOf(const QByteArray &bytes);
    /** The file's bytes as UTF-8 without a byte-order mark, for the JSON reader; bytes without
        a mark are taken as UTF-8, as they are. */
    static QByteArray toUtf8(const QByteArray &bytes);

private:
    QJsonObject findProduct(const QString &name) const;
    /** File to the value of key of its first product that has one, where a product without
        one has fallback; empty and non-string values count as absent. */
    QHash<QString, QString> firstByFile(QLatin1String key, const QString &fallback) const;

    QJsonObject config;
    QString title;
    QStringList nameList;
    QHash<QString, int> productIndex; // a name's first product in the list
    QStringList displayList;
    QStringList removeFirstList;
    QStringList fileList;
    QStringList parameterList;
};

#endif // CONFIGMANAGER_H
