#include "productexplanation.h"

#include "config/configmanager.h"
#include "rules/checkboxslots.h"

#include <QVariant>

QList<ProductExplanation> ProductExplanation::explainAll(
    const QString &configPath, std::unique_ptr<SystemQueries> queries)
{
    ConfigManager config;
    config.readConfig(configPath);
    DependencyManager dependencies(std::move(queries), configPath);
    const QStringList names = config.getNameList();
    const QStringList displays = config.getDisplayList();

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
        explanations << product;
    }

    int asked = 0;
    const QList<int> boxes = CheckBoxSlots::assign(names,
        [&explanations, &asked](const QString &) { return explanations.at(asked++).applies; });
    for (int i = 0; i < boxes.size(); ++i)
        explanations[i].checkBox = boxes.at(i);
    return explanations;
}
