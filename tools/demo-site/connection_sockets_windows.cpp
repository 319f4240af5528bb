#include "connection_sockets.h"

#include <cstdint>
#include <vector>

namespace demosite {
namespace {

int PortOf(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  }
  if (address.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  }
  return -1;
}

// -1 when the handle is not a connected socket on localPort, else the peer's
// port.
int PeerPortOnLocalPort(SOCKET socket, int localPort) {
  sockaddr_storage local{};
  int length = sizeof local;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) return -1;
  if (PortOf(local) != localPort) return -1;
  sockaddr_storage peer{};
  length = sizeof peer;
  if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return -1;
  return PortOf(peer);
}

// Windows has no list of a process's sockets, but a socket is a handle, and
// handles are small multiples of four handed out from the bottom: the ones
// below the bound are asked in turn, and a handle that is no socket answers
// WSAENOTSOCK at once. The site never holds more than a few hundred handles.
constexpr std::uintptr_t kHandleBound = 16384;

std::vector<SOCKET> SocketsOnPort(int localPort, int remotePort) {
  std::vector<SOCKET> found;
  for (std::uintptr_t handle = 4; handle < kHandleBound; handle += 4) {
    const int peer = PeerPortOnLocalPort(static_cast<SOCKET>(handle), localPort);
    if (peer > 0 && (remotePort < 0 || peer == remotePort)) found.push_back(handle);
  }
  return found;
}

}  // namespace

// SO_REUSEADDR would let a second socket take the port over on Windows; this
// one refuses it.
void ListenAlone(socket_t listening) {
  BOOL yes = TRUE;
  setsockopt(listening, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
             sizeof yes);
}

bool ShutdownConnection(int localPort, int remotePort) {
  const std::vector<SOCKET> sockets = SocketsOnPort(localPort, remotePort);
  for (SOCKET socket : sockets) shutdown(socket, SD_BOTH);
  return !sockets.empty();
}

void ShutdownAllConnections(int localPort) {
  for (SOCKET socket : SocketsOnPort(localPort, -1)) shutdown(socket, SD_BOTH);
}

}  // namespace demosite
