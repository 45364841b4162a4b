#include "win32eventnotice.h"

#include <QWinEventNotifier>

namespace Win32EventNotice {

void whenSignalled(void *handle, std::function<void()> then)
{
    auto notifier = new QWinEventNotifier(handle);
    QObject::connect(
        notifier, &QWinEventNotifier::activated, notifier, [notifier, then = std::move(then)] {
            notifier->setEnabled(false);
            // It is still inside its activated() emission.
            notifier->deleteLater();
            then();
        });
}

} // namespace Win32EventNotice
