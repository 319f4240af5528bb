#include "stop_signal.h"

#include <pthread.h>
#include <signal.h>

namespace demosite {
namespace {

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

// The signals are taken by sigwait, so they are blocked before the server
// starts its threads, which inherit the mask. A client that hangs up while a
// picture is written must not end the program either.
void CatchStopSignals() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

void WaitForStopSignal() {
  const sigset_t signals = StopSignals();
  int received = 0;
  sigwait(&signals, &received);
}

}  // namespace demosite
