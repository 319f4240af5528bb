// Cutting the site's client connections from the inside. The HTTP server keeps
// its accepted sockets to itself, so they are found among the process's open
// descriptors by their addresses: local port = the site's port, and (when
// given) peer port = the client's port. Shutting a socket down makes the
// server's next read or write on it fail, and the server then closes it.
#pragma once

namespace demosite {

// Shuts down the one connection from the client port; false when none is found.
bool ShutdownConnection(int localPort, int remotePort);

// Shuts down every connection accepted on the port (not the listening socket).
void ShutdownAllConnections(int localPort);

}  // namespace demosite
