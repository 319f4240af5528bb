// The few socket calls the tests' own servers and clients make, where the
// systems differ (Winsock's SOCKET and closesocket, MSG_NOSIGNAL, SO_LINGER's
// type). Everything on 127.0.0.1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace albumdl::testing {

using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

// A listening socket on the port (0: any free one); kNoSocket when it fails.
SocketHandle ListenOnLoopback(int port, int backlog);
// A port on which nothing listens, so that a connection is refused.
int ClosedLoopbackPort();
SocketHandle AcceptConnection(SocketHandle listening);
SocketHandle ConnectToLoopback(int port);
int BoundPort(SocketHandle socket);
// Sends everything; false when the peer is gone (never a SIGPIPE).
bool SendAll(SocketHandle socket, const std::string& bytes);
// What came, up to size bytes; 0 at the end, below 0 on an error.
long ReceiveSome(SocketHandle socket, char* buffer, size_t size);
// Wakes a thread blocked on the socket: its next read or write fails.
void ShutdownSocket(SocketHandle socket);
// Wakes a thread blocked in AcceptConnection on it, and closes it (a shutdown
// wakes accept on POSIX systems, only closing it does on Windows).
void StopListening(SocketHandle listening);
// The close that follows sends RST instead of FIN.
void ResetOnClose(SocketHandle socket);
void CloseSocket(SocketHandle socket);

}  // namespace albumdl::testing
