#include "statusline.h"

#include "windowitems.h"

#include <QVariant>

StatusLine::StatusLine(QObject *parent)
    : QObject(parent)
{
    pending.setSingleShot(true);
    connect(&pending, &QTimer::timeout, this, &StatusLine::refreshDue);
}

void StatusLine::attach(QObject *window)
{
    text = WindowItems::find(window, QStringLiteral("feedbackText"));
    bar = WindowItems::find(window, QStringLiteral("mainProgressBar"));
    checkBoxColumn = WindowItems::find(window, QStringLiteral("checkBoxHolder"));
}

void StatusLine::show(const QString &line, double share)
{
    pending.stop();
    sinceShown.start();
    // The bar first, so that it matches the line whenever the line changes.
    WindowItems::set(bar, "indeterminate", share < 0);
    if (share >= 0)
        WindowItems::set(bar, "value", share);
    // The line lies over the check-box column.
    WindowItems::set(checkBoxColumn, "visible", false);
    WindowItems::set(text, "text", line);
    WindowItems::set(text, "visible", true);
}

void StatusLine::changed()
{
    if (pending.isActive())
        return;
    const qint64 since = sinceShown.isValid() ? sinceShown.elapsed() : RefreshInterval;
    if (since >= RefreshInterval)
        emit refreshDue();
    else
        pending.start(int(RefreshInterval - since));
}

void StatusLine::cancel()
{
    pending.stop();
}
