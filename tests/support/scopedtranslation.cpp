#include "scopedtranslation.h"

#include <QCoreApplication>
#include <QLocale>

ScopedTranslation::ScopedTranslation(const QString &language)
{
    valid = language == QLatin1String("en")
        || translator.load(QStringLiteral(KESTRUN_LOCALIZATION_DIR "/kestrun_") + language);
    QCoreApplication::installTranslator(&translator);
    QLocale::setDefault(QLocale(language));
}

ScopedTranslation::~ScopedTranslation()
{
    QLocale::setDefault(QLocale::c());
    // The translator takes itself out of the application when it goes.
}
