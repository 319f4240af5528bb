#include "support/close_failure.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {
thread_local int closeFailure = 0;
}  // namespace

// Every close() of the program, and of the libraries it uses, comes here while
// this file is linked in: the system's own, unless a fault is armed.
extern "C" int close(int fd) {
  const int rc = static_cast<int>(::syscall(SYS_close, fd));
  if (rc != 0 || closeFailure == 0) return rc;
  errno = std::exchange(closeFailure, 0);
  return -1;
}

namespace albumdl::testing {

bool CloseFailuresCanBePlanted() { return true; }

void FailNextClose(int error) { closeFailure = error; }

}  // namespace albumdl::testing
