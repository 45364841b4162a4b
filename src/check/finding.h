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
};

#endif // FINDING_H
