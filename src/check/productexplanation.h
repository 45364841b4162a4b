#ifndef PRODUCTEXPLANATION_H
#define PRODUCTEXPLANATION_H

#include "platform/systemqueries.h"
#include "rules/dependencymanager.h"

#include <QList>
#include <QString>

#include <memory>

/**
 * Why one product of a configuration is, or is not, offered on this machine: the outcome of
 * each of its rules as Kestrun's own DependencyManager judges them here, and the check box
 * start-up would give it.
 */
struct ProductExplanation
{
    /** 1-based position in "products". */
    int position = 0;
    QString name;
    /** Its "display" hides the check box (the product is still ticked and installed). */
    bool hidden = false;
    /** The position of the earlier product of the same name whose rules are the ones read;
        0 when the product's own are. */
    int rulesOf = 0;
    /** The rules in the order judged, ending with the first that failed. */
    QList<DependencyManager::RuleOutcome> outcomes;
    bool applies = false;
    /** The check box it gets, 1 to the window's count; 0 when it gets none. */
    int checkBox = 0;
    /** Its "file", and the SHA-256 its "sha256" pins. */
    QString file;
    QString pin;
    /** The signer its package must have ("publisher", its own or the top level's); empty when
        none is pinned. */
    QString publisher;
    /** Whether this system checks the signatures of packages. */
    bool signaturesChecked = false;

    /** Applies, but the boxes were all taken by earlier products. */
    bool leftOutByFullWindow() const { return applies && checkBox == 0; }
    /** What Kestrun requires of its package before it runs, in words. */
    QString packageRequirement() const;

    /**
     * Explains every product of the configuration at configPath, in file order, asking queries
     * as Kestrun asks its own. Products after the window is full are judged as well, which
     * Kestrun does not do.
     */
    static QList<ProductExplanation> explainAll(
        const QString &configPath, std::unique_ptr<SystemQueries> queries);
};

#endif // PRODUCTEXPLANATION_H
