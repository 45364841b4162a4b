#ifndef VIRTUALDISPLAY_H
#define VIRTUALDISPLAY_H

#include <QProcess>
#include <QString>

/**
 * An Xvfb display of its own for programs under test: it picks a free display number itself
 * (-displayfd) and keeps running between clients (-noreset). Stopped when the object goes.
 */
class VirtualDisplay
{
public:
    VirtualDisplay() = default;
    ~VirtualDisplay();

    VirtualDisplay(const VirtualDisplay &) = delete;
    VirtualDisplay &operator=(const VirtualDisplay &) = delete;

    /** Starts Xvfb and waits until it names its display; false when it does not. */
    bool start();
    /** ":<number>", for DISPLAY; empty before start() succeeded. */
    QString name() const { return display; }

private:
    QProcess server;
    QString display;
};

#endif // VIRTUALDISPLAY_H
