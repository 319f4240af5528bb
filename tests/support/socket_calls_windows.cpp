#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

#include "support/socket_calls.h"

namespace albumdl::testing {
namespace {

// Winsock wants to be started once per process.
void StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port));
  return address;
}

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

SocketHandle Handle(SOCKET socket) {
  return socket == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(socket);
}

}  // namespace

// SO_EXCLUSIVEADDRUSE: a port another socket holds must not be shared.
SocketHandle ListenOnLoopback(int port, int backlog) {
  StartWinsock();
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return kNoSocket;
  BOOL yes = TRUE;
  ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
  sockaddr_in address = Loopback(port);
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(s, backlog) != 0) {
    ::closesocket(s);
    return kNoSocket;
  }
  return Handle(s);
}

int ClosedLoopbackPort() {
  StartWinsock();
  const SOCKET probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  const int port = BoundPort(Handle(probe));
  ::closesocket(probe);  // bound but never listening: the port is now refused
  return port;
}

SocketHandle AcceptConnection(SocketHandle listening) {
  return Handle(::accept(Native(listening), nullptr, nullptr));
}

SocketHandle ConnectToLoopback(int port) {
  StartWinsock();
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return kNoSocket;
  sockaddr_in address = Loopback(port);
  if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    ::closesocket(s);
    return kNoSocket;
  }
  return Handle(s);
}

int BoundPort(SocketHandle socket) {
  sockaddr_in address{};
  int length = sizeof(address);
  if (::getsockname(Native(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

bool SendAll(SocketHandle socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const int chunk = static_cast<int>(std::min<size_t>(bytes.size() - sent, 1 << 20));
    const int n = ::send(Native(socket), bytes.data() + sent, chunk, 0);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

long ReceiveSome(SocketHandle socket, char* buffer, size_t size) {
  return ::recv(Native(socket), buffer, static_cast<int>(size), 0);
}

void ShutdownSocket(SocketHandle socket) { ::shutdown(Native(socket), SD_BOTH); }

void StopListening(SocketHandle listening) { ::closesocket(Native(listening)); }

void ResetOnClose(SocketHandle socket) {
  const linger abort{1, 0};
  ::setsockopt(Native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
               sizeof(abort));
}

void CloseSocket(SocketHandle socket) { ::closesocket(Native(socket)); }

}  // namespace albumdl::testing
