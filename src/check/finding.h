#ifndef FINDING_H
#define FINDING_H

#include <QString>

/** One mistake, or one risk, found in a configuration. */
struct Finding
{
    enum class Severity { Error, Warning };

    Severity severity = Severity::Error;
    /** A short, stable name of the kind of mistake, for scripts ("unknown-key"). */
    QString kind;
    /** What is wrong and what Kestrun does with it, in a sentence. */
    QString message;
    /** The product's 1-based position in "products"; 0 when the finding concerns no product. */
    int product = 0;
    QString productName;
    /** Where the file cannot be parsed, 1-based; 0 for every other finding. */
    int line = 0;
    int column = 0;

    bool isError() const { return severity == Severity::Error; }

    /** A finding about the product at position (0: about none). */
    static Finding about(Severity severity, const QString &kind, const QString &message,
        int position = 0, const QString &productName = QString())
    {
        Finding finding;
        finding.severity = severity;
        finding.kind = kind;
        finding.message = message;
        finding.product = position;
        finding.productName = productName;
        return finding;
    }
};

#endif // FINDING_H
