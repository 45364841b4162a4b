#ifndef STARTUP_H
#define STARTUP_H

#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>

class QCoreApplication;
class QObject;
class QQmlApplicationEngine;
class QTranslator;

/** The start-up steps between creating the application and running its event loop. */
namespace Startup {

/** Answers whether the product of that name applies to this machine. */
using ProductFilter = std::function<bool(const QString &name)>;

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
 * The check box (1 to the window's count) each of the products called names gets, in file
 * order, or 0: the products that apply take the next free box until the window is full. No
 * product after that is asked about.
 */
QList<int> checkBoxSlots(const QStringList &names, const ProductFilter &applies);

/**
 * Reads kestrun.json, sets the window title and places every product that applies, in file
 * order, on the next free check box. Products beyond the tenth that applies are left out.
 * Returns the number of products placed.
 */
int placeProducts(QObject *window, const ProductFilter &applies);

} // namespace Startup

#endif // STARTUP_H
