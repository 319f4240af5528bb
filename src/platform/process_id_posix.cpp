#include <pthread.h>
#include <unistd.h>

#include <atomic>

#include "platform/process_id.h"

namespace albumdl::platform {
namespace {

// Asked of the system once rather than for every file; a child made by fork
// asks again.
std::atomic<pid_t> knownProcessId{0};

}  // namespace

long ThisProcessId() {
  pid_t id = knownProcessId.load(std::memory_order_relaxed);
  if (id == 0) {
    static const int forgetInChild =
        ::pthread_atfork(nullptr, nullptr, [] { knownProcessId.store(0); });
    (void)forgetInChild;
    id = ::getpid();
    knownProcessId.store(id, std::memory_order_relaxed);
  }
  return id;
}

}  // namespace albumdl::platform
