#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/socket_calls.h"

namespace albumdl::testing {
namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

int Fd(SocketHandle socket) { return static_cast<int>(socket); }

}  // namespace

SocketHandle ListenOnLoopback(int port, int backlog) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return kNoSocket;
  sockaddr_in address = Loopback(port);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(fd, backlog) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  return fd;
}

int ClosedLoopbackPort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  const int port = BoundPort(probe);
  ::close(probe);  // bound but never listening: the port is now refused
  return port;
}

SocketHandle AcceptConnection(SocketHandle listening) {
  const int fd = ::accept(Fd(listening), nullptr, nullptr);
  return fd < 0 ? kNoSocket : fd;
}

SocketHandle ConnectToLoopback(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return kNoSocket;
  sockaddr_in address = Loopback(port);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  return fd;
}

int BoundPort(SocketHandle socket) {
  sockaddr_in address{};
  socklen_t length = sizeof(address);
  if (::getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

bool SendAll(SocketHandle socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(Fd(socket), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

long ReceiveSome(SocketHandle socket, char* buffer, size_t size) {
  return static_cast<long>(::recv(Fd(socket), buffer, size, 0));
}

void ShutdownSocket(SocketHandle socket) { ::shutdown(Fd(socket), SHUT_RDWR); }

void StopListening(SocketHandle listening) {
  ::shutdown(Fd(listening), SHUT_RDWR);
  ::close(Fd(listening));
}

void ResetOnClose(SocketHandle socket) {
  const linger abort{1, 0};
  ::setsockopt(Fd(socket), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
}

void CloseSocket(SocketHandle socket) { ::close(Fd(socket)); }

}  // namespace albumdl::testing
