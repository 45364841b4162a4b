#ifndef STARTUP_H
#define STARTUP_H

#include "rules/checkboxslots.h"

#include <QUrl>

class QCoreApplication;
class QObject;
class QQmlApplicationEngine;
class QTranslator;

/** The start-up steps between creating the application and running its event loop. */
namespace Startup {

/**
 * Lets Qt scale the window by the screen's scaling factor, 125 % and 150 % as they are rather
 * than rounded to whole numbers. Call before the application is created.
 */
void enableHighDpiScaling();

/** Makes WrapperUI, Install and Download available to the window's QML. */
void registerQmlTypes();

/**
 * Loads localization/kestrun_<system locale>.qm beside the executable into translator and
 * installs it; a missing file leaves the texts in English.
 */
void installTranslator(QCoreApplication &app, QTranslator &translator);

/** Loads the window; nullptr when it cannot be created (broken QML, missing modules). */
QObject *loadWindow(
    QQmlApplicationEngine &engine, const QUrl &url = QUrl(QStringLiteral("qrc:///main.qml")));

/**
 * Reads kestrun.json, sets the window title and places every product that applies, in file
 * order, on the next free check box. Products beyond the tenth that applies are left out. The
 * keyboard focus goes to the first box shown, or to Install, or to Exit when none is placed.
 * Returns the number of products placed.
 */
int placeProducts(QObject *window, const CheckBoxSlots::ProductFilter &applies);

} // namespace Startup

#endif // STARTUP_H
