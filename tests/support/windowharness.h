#ifndef WINDOWHARNESS_H
#define WINDOWHARNESS_H

#include "scopedconfig.h"

#include <QJsonArray>
#include <QQmlApplicationEngine>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

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
    /** The window on a configuration of products written beside the test, placed by start-up
        (every product applies but those named in notApplying), shown and laid out, so that
        clicks reach its items. The configuration stays while the window does: the window's
        classes read it when the window loads and again on a click. */
    explicit WindowHarness(const QJsonArray &products, const QStringList &notApplying = {});

    /** The loaded window, or nullptr when it failed to load or was closed. */
    QQuickWindow *window() const { return quickWindow; }
    /** Whether the window on products loaded, placed every product that applies (ten at most)
        and showed. */
    bool isReady() const { return ready; }
    /** Closes the window: the engine goes, and the window's objects with it. */
    void close();

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
    void load();

    // Before the engine, so that it is written before the window loads and goes after it.
    std::optional<ScopedConfig> config;
    std::unique_ptr<QQmlApplicationEngine> engine;
    QQuickWindow *quickWindow = nullptr;
    bool ready = false;
};

#endif // WINDOWHARNESS_H
