#ifndef CHILDSERVER_H
#define CHILDSERVER_H

#include <QtGlobal>

class QProcess;

/** What the tests' child servers (nginx, tinyproxy) have in common. */
namespace ChildServer {

/** A port of 127.0.0.1 that was free a moment ago; the child takes it over at once. */
quint16 freePort();
/** Whether something on 127.0.0.1 takes connections on port. */
bool takesConnections(quint16 port);
/** Ends the child politely, then firmly. */
void stop(QProcess &process);

} // namespace ChildServer

#endif // CHILDSERVER_H
