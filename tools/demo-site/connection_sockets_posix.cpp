#include "connection_sockets.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
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

std::vector<int> OpenDescriptors() {
  std::vector<int> fds;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return fds;
  int own = dirfd(dir);
  while (dirent* entry = readdir(dir)) {
    char* end = nullptr;
    long fd = std::strtol(entry->d_name, &end, 10);
    if (end != entry->d_name && *end == '\0' && fd != own) fds.push_back(static_cast<int>(fd));
  }
  closedir(dir);
  return fds;
}

// -1 when the descriptor is not a connected socket on localPort, else the
// peer's port.
int PeerPortOnLocalPort(int fd, int localPort) {
  sockaddr_storage local{};
  socklen_t length = sizeof local;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return -1;
  if (PortOf(local) != localPort) return -1;
  sockaddr_storage peer{};
  length = sizeof peer;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return -1;
  return PortOf(peer);
}

}  // namespace

// The server's default also sets SO_REUSEPORT, which lets a second site bind a
// port that is taken and share its connections.
void ListenAlone(socket_t listening) {
  int yes = 1;
  setsockopt(listening, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

bool ShutdownConnection(int localPort, int remotePort) {
  bool found = false;
  for (int fd : OpenDescriptors()) {
    if (PeerPortOnLocalPort(fd, localPort) == remotePort) {
      shutdown(fd, SHUT_RDWR);
      found = true;
    }
  }
  return found;
}

void ShutdownAllConnections(int localPort) {
  for (int fd : OpenDescriptors()) {
    if (PeerPortOnLocalPort(fd, localPort) > 0) shutdown(fd, SHUT_RDWR);
  }
}

}  // namespace demosite
