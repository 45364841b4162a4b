#ifndef WIN32EVENTNOTICE_H
#define WIN32EVENTNOTICE_H

#include <functional>

/** Waiting for a Win32 handle in the event loop. */
namespace Win32EventNotice {

/** Calls then once, in the event loop, when the process or event handle is signalled. */
void whenSignalled(void *handle, std::function<void()> then);

} // namespace Win32EventNotice

#endif // WIN32EVENTNOTICE_H
