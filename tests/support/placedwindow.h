#ifndef PLACEDWINDOW_H
#define PLACEDWINDOW_H

#include "scopedconfig.h"
#include "windowharness.h"

#include <QJsonArray>
#include <QStringList>

#include <memory>

/**
 * The real window on a configuration of products written beside the test, placed by start-up
 * (every product applies but those named in notApplying), shown and laid out, so that clicks
 * reach its items. The configuration stays while the window does: the window's classes read it
 * when the window loads and again on a click.
 */
class PlacedWindow
{
public:
    explicit PlacedWindow(const QJsonArray &products, const QStringList &notApplying = {});

    /** Whether the window loaded, placed every product that applies (ten at most) and showed. */
    bool isReady() const { return ready; }
    WindowHarness &window() { return *harness; }
    /** Closes the window: the engine goes, and the window's objects with it. */
    void close() { harness.reset(); }

private:
    ScopedConfig config;
    std::unique_ptr<WindowHarness> harness;
    bool ready = false;
};

#endif // PLACEDWINDOW_H
