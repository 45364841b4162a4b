#ifndef STATUSLINE_H
#define STATUSLINE_H

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

/**
 * The window's status line (feedbackText, in place of the check-box column) and progress bar
 * while a command works. Changes that come thick and fast, such as bytes arriving, are shown
 * at most once per RefreshInterval, so that the window does not spend its time repainting.
 */
class StatusLine : public QObject
{
    Q_OBJECT
public:
    /** The shortest time between two refreshes asked for with changed(). */
    static constexpr int RefreshInterval = 250;

    explicit StatusLine(QObject *parent = nullptr);

    /** Finds the items it writes below window. */
    void attach(QObject *window);
    /** Shows text, and the bar at share (0 to 1) or moving without a value when share is
        negative; at once, dropping a refresh still due. */
    void show(const QString &text, double share);
    /** What the line shows has changed: refreshDue() follows now, or once the interval since
        the last refresh is over. */
    void changed();
    /** Drops a refresh still due, before the line gives way to a report. */
    void cancel();

signals:
    /** Time to call show() with the current state. */
    void refreshDue();

private:
    QPointer<QObject> text;
    QPointer<QObject> bar;
    QPointer<QObject> checkBoxColumn;
    QElapsedTimer sinceShown;
    QTimer pending;
};

#endif // STATUSLINE_H
