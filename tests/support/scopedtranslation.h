#ifndef SCOPEDTRANSLATION_H
#define SCOPEDTRANSLATION_H

#include <QString>
#include <QTranslator>

/**
 * The program's texts and number formats in one language ("en" for the texts as written), as a
 * user whose system speaks it sees them, until the scope ends, also when a test fails early.
 */
class ScopedTranslation
{
    Q_DISABLE_COPY(ScopedTranslation)
public:
    explicit ScopedTranslation(const QString &language);
    ~ScopedTranslation();

    /** Whether the built translation of the language could be loaded. */
    bool isValid() const { return valid; }

private:
    QTranslator translator;
    bool valid = false;
};

#endif // SCOPEDTRANSLATION_H
