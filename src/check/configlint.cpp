#include "configlint.h"

#include "download/packagefiles.h"
#include "install/installcommand.h"
#include "platform/standinsystemqueries.h"
#include "rules/checkboxslots.h"
#include "rules/dependencymanager.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>
#include <QVector>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

const QLatin1String linksKey("linked-products-ui");

// The keys of a product that Kestrun reads as strings.
QStringList productStringKeys()
{
    return {QStringLiteral("name"), QStringLiteral("file"), QStringLiteral("display"),
        QStringLiteral("remove-first"), QStringLiteral("parameters"), QStringLiteral("guid"),
        QStringLiteral("sha256"), QStringLiteral("publisher")};
}

// The keys at each level of the file ("top", "product", "dependencies") as the schema in
// docs/ names them, so that editors and this check know the same keys; Kestrun ignores others.
QStringList knownKeys(const QString &level)
{
    static const QJsonObject schema = [] {
        QFile file(QStringLiteral(":/kestrun.schema.json"));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    }();
    const QJsonObject definitions = schema.value(QLatin1String("definitions")).toObject();
    const QJsonObject at =
        level == QLatin1String("top") ? schema : definitions.value(level).toObject();
    return at.value(QLatin1String("properties")).toObject().keys();
}

QString levelName(const QString &level)
{
    if (level == QLatin1String("top"))
        return QStringLiteral("at the top level");
    if (level == QLatin1String("product"))
        return QStringLiteral("in a product");
    return QStringLiteral("in \"dependencies\"");
}

int editDistance(const QString &a, const QString &b)
{
    QVector<int> previous(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        QVector<int> current(b.size() + 1);
        current[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int substitution = previous[j - 1] + (a.at(i - 1) == b.at(j - 1) ? 0 : 1);
            current[j] = qMin(substitution, qMin(previous[j], current[j - 1]) + 1);
        }
        previous = current;
    }
    return previous[b.size()];
}

// "dependancies" -> "dependencies", "remove_first" -> "remove-first", "linked-products" ->
// "linked-products-ui"; a key of another level says where it belongs.
QString resemblance(const QString &key, const QString &level)
{
    QStringList belongs;
    for (const QString &other :
        {QStringLiteral("top"), QStringLiteral("product"), QStringLiteral("dependencies")}) {
        if (other != level && knownKeys(other).contains(key))
            belongs << levelName(other);
    }
    if (!belongs.isEmpty())
        return QStringLiteral(" (\"%1\" belongs %2)").arg(key, belongs.join(QLatin1String(" or ")));
    QString best;
    int bestDistance = std::numeric_limits<int>::max();
    const QStringList keys = knownKeys(level);
    for (const QString &known : keys) {
        const int distance = editDistance(key.toLower(), known);
        if (distance < bestDistance) {
            best = known;
            bestDistance = distance;
        }
    }
    const bool resembles = bestDistance <= qMax(2, best.size() / 4)
        || best.startsWith(key.toLower()) || key.toLower().startsWith(best);
    return resembles ? QStringLiteral(" (did you mean \"%1\"?)").arg(best) : QString();
}

// What reading a key's value as "" does to the program.
QString emptyStringEffect(const QString &key)
{
    if (key == QLatin1String("title"))
        return QStringLiteral("so the window has no title");
    if (key == QLatin1String("name"))
        return QStringLiteral("so the check box has no label");
    if (key == QLatin1String("file"))
        return QStringLiteral("so the product has no package");
    if (key == QLatin1String("display"))
        return QStringLiteral("so its check box is hidden");
    if (key == QLatin1String("remove-first"))
        return QStringLiteral("so a removal of \"\" runs before the package");
    if (key == QLatin1String("parameters"))
        return QStringLiteral("so no parameters are passed");
    if (key == QLatin1String("sha256"))
        return QStringLiteral("so no digest is pinned");
    if (key == QLatin1String("publisher"))
        return QStringLiteral("so it pins no signer");
    return QStringLiteral("so no installed version can be read");
}

QString typeName(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("missing");
}

// A URL's package runs under the name it is stored as, a local one under its own path.
InstallCommand::Kind packageKindOf(const QString &file)
{
    return InstallCommand::packageKind(
        PackageFiles::isUrl(file) ? PackageFiles::localName(file) : file);
}

// Windows Installer product codes: a GUID in braces, upper-case hexadecimal.
bool isProductCode(const QString &code)
{
    static const QRegularExpression form(
        QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$"));
    return form.match(code).hasMatch();
}

} // namespace

ConfigLint::ConfigLint(const QJsonObject &config, const QString &configPath)
    : config(config)
    , amd64Machine(std::make_unique<StandInSystemQueries>(true), configPath)
    , x86Machine(std::make_unique<StandInSystemQueries>(false), configPath)
{
    // A resource of a static library is there only once something asks for it.
    Q_INIT_RESOURCE(schema);
    checkTopLevel();
    for (const Product &product : qAsConst(products))
        checkProduct(product);
    checkCapacity();
}

void ConfigLint::checkTopLevel()
{
    const Product none;
    checkKeys(config, QStringLiteral("top"), none);
    checkStrings(config, {QStringLiteral("title"), QStringLiteral("publisher")}, none);
    checkPublisher(config, none);
    if (!checkArray(
            config, QStringLiteral("products"), QStringLiteral("the window stays empty"), none))
        return;
    const QJsonArray items = config.value(QLatin1String("products")).toArray();
    for (int i = 0; i < items.size(); ++i) {
        Product product;
        product.position = i + 1;
        product.object = items.at(i).toObject();
        product.name = product.object.value(QLatin1String("name")).toString();
        product.isObject = items.at(i).isObject();
        product.type = typeName(items.at(i));
        products << product;
    }
}

void ConfigLint::checkProduct(const Product &product)
{
    if (!product.isObject) {
        add(QStringLiteral("wrong-type"),
            QStringLiteral("the product is %1, not an object: Kestrun offers it as a product "
                           "without a name or a file")
                .arg(product.type),
            product);
        return;
    }
    const QJsonObject &object = product.object;
    checkKeys(object, QStringLiteral("product"), product);
    checkStrings(object, productStringKeys(), product);
    if (product.name.isEmpty()) {
        add(QStringLiteral("empty-name"),
            QStringLiteral("the product has no name: its check box has no label and no link "
                           "can reach it"),
            product);
    } else if (firstWithName.contains(product.name)) {
        add(QStringLiteral("duplicate-name"),
            QStringLiteral("product %1 has the same name; every lookup takes that one, so this "
                           "product's rules, guid and links are never read")
                .arg(firstWithName.value(product.name)),
            product);
    } else {
        firstWithName.insert(product.name, product.position);
    }
    checkFile(product);
    checkPin(product);
    checkRestart(product);
    checkPublisher(object, product);
    const QString guid = object.value(QLatin1String("guid")).toString();
    if (!guid.isEmpty())
        checkProductCode(guid, QStringLiteral("\"guid\""), product);

    const QJsonValue rules = object.value(QLatin1String("dependencies"));
    if (rules.isObject()) {
        checkRules(product, rules.toObject());
    } else if (!rules.isUndefined()) {
        add(QStringLiteral("wrong-type"),
            QStringLiteral("\"dependencies\" is %1, not an object: Kestrun reads no rules, and "
                           "the product is offered on every machine")
                .arg(typeName(rules)),
            product);
    }
}

void ConfigLint::checkFile(const Product &product)
{
    const QString file = product.object.value(QLatin1String("file")).toString();
    if (file.isEmpty()) {
        add(QStringLiteral("no-package"),
            QStringLiteral("the product has no \"file\": Install reports it as failed"), product);
        return;
    }
    if (packageKindOf(file) == InstallCommand::Kind::Unknown) {
        add(QStringLiteral("package-ending"),
            QStringLiteral("\"%1\" does not end in .msi, .msp or .exe (endings compare "
                           "case-sensitively): Install never runs it")
                .arg(file),
            product);
    }
    if (!PackageFiles::isUrl(file))
        return;
    const QString name = PackageFiles::localName(file);
    if (!PackageFiles::isSafeName(name)) {
        add(QStringLiteral("unsafe-package-name"),
            QStringLiteral("the URL's file name \"%1\" is refused: Kestrun never downloads it")
                .arg(name),
            product);
        return;
    }
    const QString digestUrl =
        PackageFiles::digestUrl(QUrl(file, QUrl::TolerantMode)).toString(QUrl::FullyEncoded);
    // Windows compares file names without regard to case: Fix.msi and fix.msi are one file.
    if (const int other = sharedWith(
            localNames, PackageFiles::foldedName(name, Qt::CaseInsensitive), file, product)) {
        add(QStringLiteral("shared-local-name"),
            QStringLiteral("its package is stored as \"%1\", as product %2's other package is: "
                           "only product %2's is fetched, and this product is given up")
                .arg(name)
                .arg(other),
            product);
    }
    if (const int other = sharedWith(digestUrls, digestUrl, file, product)) {
        add(QStringLiteral("shared-digest-name"),
            QStringLiteral("its digest file %1 is also product %2's: one of the two packages "
                           "never matches it")
                .arg(digestUrl)
                .arg(other),
            product);
    }
}

// Run quietly, Windows Installer restarts Windows when the package needs it, without asking: the
// user's unsaved work is lost, and the packages after it never run.
void ConfigLint::checkRestart(const Product &product)
{
    const InstallCommand::Kind kind =
        packageKindOf(product.object.value(QLatin1String("file")).toString());
    if (kind != InstallCommand::Kind::Msi && kind != InstallCommand::Kind::Msp)
        return;
    static const QRegularExpression quiet(QStringLiteral("^[/-](q[nb]?\\S*|quiet|passive)$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression suppressed(
        QStringLiteral("^([/-]norestart|REBOOT=(R|ReallySuppress))$"),
        QRegularExpression::CaseInsensitiveOption);
    const QStringList words = product.object.value(QLatin1String("parameters"))
                                  .toString()
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto any = [&words](const QRegularExpression &form) {
        return std::any_of(words.cbegin(), words.cend(),
            [&form](const QString &word) { return form.match(word).hasMatch(); });
    };
    if (any(quiet) && !any(suppressed)) {
        add(QStringLiteral("may-restart"),
            QStringLiteral("its package runs quietly without /norestart or REBOOT=ReallySuppress "
                           "in \"parameters\": it may restart Windows without asking"),
            product, Finding::Severity::Warning);
    }
}

void ConfigLint::checkPin(const Product &product)
{
    const QString pin = product.object.value(QLatin1String("sha256")).toString();
    if (pin.isEmpty())
        return;
    Hasher::Algorithm algorithm;
    if (!PackageFiles::digestAlgorithm(pin, algorithm) || algorithm != Hasher::Algorithm::Sha256) {
        add(QStringLiteral("pin-form"),
            QStringLiteral("\"sha256\" is \"%1\", not 64 hexadecimal digits: no package matches "
                           "it, and the product is always given up")
                .arg(pin),
            product);
    }
    const QString file = product.object.value(QLatin1String("file")).toString();
    if (file.isEmpty()) {
        add(QStringLiteral("pin-without-file"),
            QStringLiteral("\"sha256\" pins the digest of a product without a \"file\""), product);
        return;
    }
    // One package, one pin: Kestrun checks the package against the first product's.
    if (const int first = sharedWith(pins, file, pin.toLower(), product)) {
        add(QStringLiteral("pin-differs"),
            QStringLiteral("product %1 pins another SHA-256 for the same \"file\": the package "
                           "is checked against product %1's")
                .arg(first),
            product);
    }
}

void ConfigLint::checkPublisher(const QJsonObject &object, const Product &product)
{
    const QJsonValue publisher = object.value(QLatin1String("publisher"));
    if (publisher.isString() && publisher.toString().isEmpty()) {
        add(QStringLiteral("empty-publisher"),
            QStringLiteral("\"publisher\" is empty: Kestrun takes it as absent, so it pins no "
                           "signer"),
            product);
    }
}

int ConfigLint::sharedWith(
    NameOwners &owners, const QString &name, const QString &source, const Product &product)
{
    const auto first = owners.constFind(name);
    if (first == owners.constEnd()) {
        owners.insert(name, {product.position, source});
        return 0;
    }
    // The same package under the same name is fetched once, for both.
    return first->second == source ? 0 : first->first;
}

void ConfigLint::checkRules(const Product &product, const QJsonObject &rules)
{
    checkKeys(rules, QStringLiteral("dependencies"), product);
    if (checkArray(rules, QStringLiteral("platforms"),
            QStringLiteral("it reads as an empty list, and the product is never offered"), product))
        checkPlatforms(product, rules.value(QLatin1String("platforms")).toArray());
    else if (rules.contains(QLatin1String("platforms")))
        neverApply.insert(product.position);
    if (rules.contains(QLatin1String("versions"))) {
        checkArray(rules, QStringLiteral("versions"),
            QStringLiteral("it reads as an empty list of version rules"), product);
        checkVersions(product, rules.value(QLatin1String("versions")).toArray());
    }
    if (checkArray(rules, QStringLiteral("registry"),
            QStringLiteral("it reads as an empty list, which always holds"), product))
        checkRegistry(product, rules.value(QLatin1String("registry")).toArray());
    if (checkArray(rules, QStringLiteral("installed-products"),
            QStringLiteral("it reads as an empty list, and the product is never offered"), product))
        checkInstalledProducts(product, rules.value(QLatin1String("installed-products")).toArray());
    else if (rules.contains(QLatin1String("installed-products")))
        neverApply.insert(product.position);
    if (checkArray(rules, linksKey, QStringLiteral("no product is ticked with this one"), product))
        checkLinks(product, rules.value(linksKey).toArray());
}

void ConfigLint::checkPlatforms(const Product &product, const QJsonArray &platforms)
{
    checkStringElements(platforms, QStringLiteral("platforms"), product);
    if (!platformsHoldOn(true, platforms) && !platformsHoldOn(false, platforms))
        neverApply.insert(product.position);
    if (platforms.isEmpty()) {
        add(QStringLiteral("rule-never-holds"),
            QStringLiteral("\"platforms\" is empty: the product is never offered"), product);
        return;
    }
    // A value is one Kestrun knows when the rule holding only it holds on some machine.
    for (const QJsonValue &platform : platforms) {
        const QJsonArray alone {platform};
        if (platform.isString() && !platformsHoldOn(true, alone)
            && !platformsHoldOn(false, alone)) {
            add(QStringLiteral("platform-value"),
                QStringLiteral("\"platforms\" value \"%1\" matches no machine; Kestrun knows "
                               "\"all\", \"x86\" and \"x64\", in lower case")
                    .arg(platform.toString()),
                product);
        }
    }
}

void ConfigLint::checkVersions(const Product &product, const QJsonArray &versions)
{
    if (product.object.value(QLatin1String("guid")).toString().isEmpty()) {
        neverApply.insert(product.position);
        add(QStringLiteral("versions-without-guid"),
            QStringLiteral("\"versions\" without a \"guid\": the rule never holds, and the "
                           "product is never offered"),
            product);
    }
    checkStringElements(versions, QStringLiteral("versions"), product);
    for (const QJsonValue &rule : versions) {
        if (rule.isString() && !DependencyManager::isWellFormedVersionRule(rule.toString())) {
            add(QStringLiteral("version-rule-form"),
                QStringLiteral("version rule \"%1\" is not one of >, <, = or ! followed by "
                               "dotted numbers (write >=2015 as >2014 or as two rules)")
                    .arg(rule.toString()),
                product);
        }
    }
}

void ConfigLint::checkRegistry(const Product &product, const QJsonArray &registry)
{
    for (const QJsonValue &entry : registry) {
        if (!entry.isObject()) {
            add(QStringLiteral("registry-form"),
                QStringLiteral("a \"registry\" entry is %1, not an object of key path to value "
                               "name: it checks nothing")
                    .arg(typeName(entry)),
                product);
            continue;
        }
        const QJsonObject values = entry.toObject();
        for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
            if (it.value().isString())
                continue;
            add(QStringLiteral("registry-form"),
                QStringLiteral("the value name under registry key \"%1\" is %2, not a string: "
                               "Kestrun looks for the key's default value")
                    .arg(it.key(), typeName(it.value())),
                product);
        }
    }
}

void ConfigLint::checkInstalledProducts(const Product &product, const QJsonArray &codes)
{
    if (codes.isEmpty()) {
        neverApply.insert(product.position);
        add(QStringLiteral("rule-never-holds"),
            QStringLiteral("\"installed-products\" is empty: the product is never offered"),
            product);
    }
    checkStringElements(codes, QStringLiteral("installed-products"), product);
    for (const QJsonValue &code : codes) {
        if (code.isString())
            checkProductCode(code.toString(), QStringLiteral("\"installed-products\""), product);
    }
}

void ConfigLint::checkLinks(const Product &product, const QJsonArray &links)
{
    checkStringElements(links, linksKey, product);
    for (const QJsonValue &link : links) {
        const QString name = link.toString();
        const bool exists = std::any_of(products.cbegin(), products.cend(),
            [&name](const Product &other) { return other.name == name; });
        if (link.isString() && !exists) {
            add(QStringLiteral("unknown-link"),
                QStringLiteral("\"%1\" links to \"%2\", which no product is called (names "
                               "compare exactly, case-sensitively)")
                    .arg(linksKey, name),
                product);
        }
    }
}

void ConfigLint::checkCapacity()
{
    for (const bool amd64 : {true, false}) {
        QStringList leftOut;
        int possible = 0;
        for (const Product &product : qAsConst(products)) {
            if (!canApplyOn(amd64, product))
                continue;
            if (++possible > CheckBoxSlots::Count)
                leftOut << QStringLiteral("%1 \"%2\"").arg(product.position).arg(product.name);
        }
        if (leftOut.isEmpty())
            continue;
        found << Finding::about(Finding::Severity::Warning, QStringLiteral("too-many-products"),
            QStringLiteral("on %1 Windows %2 products can apply, more than the "
                           "window's %3 check boxes; when they all do, Kestrun "
                           "leaves out %4")
                .arg(amd64 ? QStringLiteral("64-bit") : QStringLiteral("32-bit"))
                .arg(possible)
                .arg(CheckBoxSlots::Count)
                .arg(leftOut.join(QStringLiteral(", "))));
    }
}

bool ConfigLint::canApplyOn(bool amd64, const Product &product)
{
    if (neverApply.contains(product.position))
        return false;
    const QJsonObject rules = product.object.value(QLatin1String("dependencies")).toObject();
    if (!rules.contains(QLatin1String("platforms")))
        return true;
    return platformsHoldOn(amd64, rules.value(QLatin1String("platforms")).toArray());
}

bool ConfigLint::platformsHoldOn(bool amd64, const QJsonArray &platforms)
{
    return (amd64 ? amd64Machine : x86Machine).checkPlatforms(platforms);
}

void ConfigLint::checkKeys(const QJsonObject &object, const QString &level, const Product &product)
{
    const QStringList known = knownKeys(level);
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (known.contains(it.key()))
            continue;
        add(QStringLiteral("unknown-key"),
            QStringLiteral("unknown key \"%1\" %2%3: Kestrun ignores it")
                .arg(it.key(), levelName(level), resemblance(it.key(), level)),
            product);
    }
}

void ConfigLint::checkStrings(
    const QJsonObject &object, const QStringList &keys, const Product &product)
{
    for (const QString &key : keys) {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() || value.isString())
            continue;
        add(QStringLiteral("not-a-string"),
            QStringLiteral("\"%1\" is %2, not a string: Kestrun reads it as \"\", %3")
                .arg(key, typeName(value), emptyStringEffect(key)),
            product);
    }
}

void ConfigLint::checkStringElements(
    const QJsonArray &array, const QString &key, const Product &product)
{
    for (const QJsonValue &element : array) {
        if (element.isString())
            continue;
        add(QStringLiteral("not-a-string"),
            QStringLiteral("an element of \"%1\" is %2, not a string: Kestrun reads it as \"\"")
                .arg(key, typeName(element)),
            product);
    }
}

bool ConfigLint::checkArray(
    const QJsonObject &object, const QString &key, const QString &effect, const Product &product)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return false;
    if (value.isArray())
        return true;
    add(QStringLiteral("wrong-type"),
        QStringLiteral("\"%1\" is %2, not an array: %3").arg(key, typeName(value), effect),
        product);
    return false;
}

void ConfigLint::checkProductCode(const QString &code, const QString &where, const Product &product)
{
    if (isProductCode(code))
        return;
    add(QStringLiteral("guid-form"),
        QStringLiteral("%1 \"%2\" is not a product code ({XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, "
                       "upper-case hexadecimal): Windows Installer never finds it")
            .arg(where, code),
        product);
}

void ConfigLint::add(
    const QString &kind, const QString &message, const Product &product, Finding::Severity severity)
{
    found << Finding::about(severity, kind, message, product.position, product.name);
}
