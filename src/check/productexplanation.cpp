#include "productexplanation.h"

#include "config/configmanager.h"
#include "download/packagefiles.h"
#include "platform/packagesignature.h"
#include "rules/checkboxslots.h"

#include <QVariant>

namespace {

QString digestRequirement(const QString &file, const QString &pin)
{
    if (!pin.isEmpty()) {
        return QStringLiteral("must have the SHA-256 %1 that \"sha256\" pins; no digest file is "
                              "fetched")
            .arg(pin.toLower());
    }
    if (!PackageFiles::isUrl(file))
        return QStringLiteral("looked for where it is, not checked");
    return QStringLiteral("must match the digest file %1, unless the server says it has none")
        .arg(PackageFiles::digestUrl(QUrl(file, QUrl::TolerantMode)).toString(QUrl::FullyEncoded));
}

QString signatureRequirement(const QString &publisher, bool checked)
{
    if (!checked && publisher.isEmpty())
        return QStringLiteral("its signature cannot be checked on this system");
    if (!checked) {
        return QStringLiteral("it must be signed by \"%1\", which cannot be checked on this "
                              "system: Install gives it up")
            .arg(publisher);
    }
    if (publisher.isEmpty())
        return QStringLiteral("its signature, if it has one, must be valid");
    return QStringLiteral("it must carry a valid signature by \"%1\" (the signer's common name, "
                          "in any case)")
        .arg(publisher);
}

} // namespace

QList<ProductExplanation> ProductExplanation::explainAll(
    const QString &configPath, std::unique_ptr<SystemQueries> queries)
{
    ConfigManager config;
    config.readConfig(configPath);
    DependencyManager dependencies(std::move(queries), configPath);
    const QStringList names = config.getNameList();
    const QStringList displays = config.getDisplayList();
    const QStringList files = config.getFileList();
    const QHash<QString, QString> pins = config.getPinnedDigests();
    const QHash<QString, QString> publishers = config.getPinnedPublishers();
    const bool signaturesChecked = createPackageSignature()->checksSignatures();

    QList<ProductExplanation> explanations;
    for (int i = 0; i < names.size(); ++i) {
        ProductExplanation product;
        product.position = i + 1;
        product.name = names.at(i);
        // The window turns the string into the check box's visibility the same way.
        product.hidden = !QVariant(displays.at(i)).toBool();
        const int first = names.indexOf(names.at(i));
        product.rulesOf = first < i ? first + 1 : 0;
        product.outcomes = dependencies.explainDependencies(product.name);
        product.applies = DependencyManager::allHold(product.outcomes);
        product.file = files.at(i);
        product.pin = pins.value(product.file);
        product.publisher = publishers.value(product.file);
        product.signaturesChecked = signaturesChecked;
        explanations << product;
    }

    int asked = 0;
    const QList<int> boxes = CheckBoxSlots::assign(names,
        [&explanations, &asked](const QString &) { return explanations.at(asked++).applies; });
    for (int i = 0; i < boxes.size(); ++i)
        explanations[i].checkBox = boxes.at(i);
    return explanations;
}

QString ProductExplanation::packageRequirement() const
{
    if (file.isEmpty())
        return QStringLiteral("none: Install reports the product as failed");
    return digestRequirement(file, pin) + QStringLiteral("; ")
        + signatureRequirement(publisher, signaturesChecked);
}
