#ifndef CONFIGLINT_H
#define CONFIGLINT_H

#include "check/finding.h"
#include "rules/dependencymanager.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QSet>
#include <QStringList>

/**
 * Finds the mistakes in a configuration that Kestrun silently lives with: unknown keys, values
 * of the wrong type, packages no run can use, rules that can never hold, broken names and links,
 * and more products than the window has check boxes. Every judgement of a value is made by the
 * class of the program that uses it.
 */
class ConfigLint
{
public:
    /** Checks config, the JSON object Kestrun reads from the file at configPath. */
    ConfigLint(const QJsonObject &config, const QString &configPath);

    QList<Finding> findings() const { return found; }

private:
    struct Product
    {
        int position = 0;
        QString name;
        QJsonObject object;
        bool isObject = false;
        /** The JSON type of the element, in words ("a number"). */
        QString type;
    };

    void checkTopLevel();
    void checkProduct(const Product &product);
    void checkFile(const Product &product);
    void checkPin(const Product &product);
    void checkRestart(const Product &product);
    /** An empty "publisher" of the top level (product: none) or of a product. */
    void checkPublisher(const QJsonObject &object, const Product &product);
    void checkRules(const Product &product, const QJsonObject &rules);
    void checkPlatforms(const Product &product, const QJsonArray &platforms);
    void checkVersions(const Product &product, const QJsonArray &versions);
    void checkRegistry(const Product &product, const QJsonArray &registry);
    void checkInstalledProducts(const Product &product, const QJsonArray &products);
    void checkLinks(const Product &product, const QJsonArray &links);
    void checkCapacity();
    void checkKeys(const QJsonObject &object, const QString &level, const Product &product);
    void checkStrings(const QJsonObject &object, const QStringList &keys, const Product &product);
    void checkStringElements(const QJsonArray &array, const QString &key, const Product &product);
    bool checkArray(const QJsonObject &object, const QString &key, const QString &effect,
        const Product &product);
    void checkProductCode(const QString &code, const QString &where, const Product &product);
    /** A name in the installs folder, to the first product using it and what it stores. */
    using NameOwners = QHash<QString, QPair<int, QString>>;

    /** The earlier product that stores something else than source under name; 0 if none. */
    int sharedWith(
        NameOwners &owners, const QString &name, const QString &source, const Product &product);
    bool canApplyOn(bool amd64, const Product &product);
    /** The platform rule as Kestrun judges it on a 64-bit or a 32-bit Windows. */
    bool platformsHoldOn(bool amd64, const QJsonArray &platforms);
    void add(const QString &kind, const QString &message, const Product &product,
        Finding::Severity severity = Finding::Severity::Error);

    QJsonObject config;
    DependencyManager amd64Machine;
    DependencyManager x86Machine;
    QList<Product> products;
    QHash<QString, int> firstWithName;
    NameOwners localNames;
    NameOwners digestUrls;
    NameOwners pins; // a file to its first pin
    /** Products whose rules are, as written, never met on any machine. */
    QSet<int> neverApply;
    QList<Finding> found;
};

#endif // CONFIGLINT_H
