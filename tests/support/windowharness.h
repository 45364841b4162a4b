#ifndef WINDOWHARNESS_H
#define WINDOWHARNESS_H

#include <QQmlApplicationEngine>
#include <QString>

class QQuickItem;
class QQuickWindow;

/**
 * The real window, loaded from the embedded resource as the program loads it, with helpers to
 * find its items and press them with real mouse events.
 */
class WindowHarness
{
public:
    /** Registers the QML types (once per process) and loads qrc:///main.qml. */
    WindowHarness();

    /** The loaded window, or nullptr when it failed to load. */
    QQuickWindow *window() const { return quickWindow; }
    /** The item of that object name below the window; nullptr when there is none. */
    QQuickItem *item(const QString &objectName) const;
    /** Any object of that object name below the window (check-box labels live in styles). */
    QObject *object(const QString &objectName) const;
    /** A property of the named object below the window. */
    QVariant property(const QString &objectName, const char *name) const;

    /** Shows the window and waits until it is exposed, so that clicks reach it. */
    bool show();
    /** A left click at the centre of the named item, through the window's event handling. */
    bool click(const QString &objectName);

    /** Runs start-up's product placement with every product applying. */
    int placeAllProducts();
    /** The check box labelled name; empty when no slot carries that label. */
    QString checkBoxOf(const QString &name) const;
    /** True once the column has placed every shown check box below the one before it, so that
        clicks hit them. */
    bool laidOut() const;

private:
    QQmlApplicationEngine engine;
    QQuickWindow *quickWindow = nullptr;
};

#endif // WINDOWHARNESS_H
