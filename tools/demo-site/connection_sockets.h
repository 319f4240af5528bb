// The site's sockets where the systems differ. Cutting the client connections
// from the inside: the HTTP server keeps its accepted sockets to itself, so
// they are found among the process's open sockets by their addresses: local
// port = the site's port, and (when given) peer port = the client's port.
// Shutting a socket down makes the server's next read or write on it fail, and
// the server then closes it.
#pragma once

#include <httplib.h>

namespace demosite {

// Set on the listening socket before it binds: a port another socket holds
// must fail to bind, and one left in TIME_WAIT by a site that ended must not.
void ListenAlone(socket_t listening);

// Shuts down the one connection from the client port; false when none is found.
bool ShutdownConnection(int localPort, int remotePort);

// Shuts down every connection accepted on the port (not the listening socket).
void ShutdownAllConnections(int localPort);

}  // namespace demosite
