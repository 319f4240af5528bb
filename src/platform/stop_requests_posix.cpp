#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

#include "platform/stop_requests.h"

namespace albumdl::platform {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr char kQuit = 'q';

// The write end of the watch's pipe, for the handler. Only one watch exists
// at a time.
volatile sig_atomic_t signalPipe = -1;

void DefaultHandling() {
  for (int signal : kSignals) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
  }
}

// Only what is safe in a handler: write and sigaction.
void OnStopSignal(int signal) {
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  if (signalPipe >= 0) (void)!write(signalPipe, &byte, 1);
  DefaultHandling();
  errno = saved;
}

// A descriptor above the standard streams, closed on exec.
int HighDescriptor(int fd) {
  if (fd < 0 || fd > STDERR_FILENO) {
    if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
    return fd;
  }
  const int high = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  close(fd);
  return high;
}

}  // namespace

int ExitStatusOf(StopRequest request) {
  switch (request) {
    case StopRequest::kInterrupt:
      return 128 + SIGINT;
    case StopRequest::kTerminate:
      return 128 + SIGTERM;
    case StopRequest::kHangUp:
      return 128 + SIGHUP;
  }
  return 128 + SIGINT;
}

struct StopRequestWatch::Impl {
  std::function<void(StopRequest)> onStop;
  int pipe[2] = {-1, -1};
  std::thread watcher;

  void Watch() {
    while (true) {
      char byte = 0;
      const ssize_t got = read(pipe[0], &byte, 1);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0 || byte == kQuit) return;
      const int signal = static_cast<unsigned char>(byte);
      onStop(signal == SIGTERM  ? StopRequest::kTerminate
             : signal == SIGHUP ? StopRequest::kHangUp
                                : StopRequest::kInterrupt);
    }
  }
};

StopRequestWatch::StopRequestWatch(std::function<void(StopRequest)> onStop)
    : impl_(std::make_unique<Impl>()) {
  impl_->onStop = std::move(onStop);
  int ends[2] = {-1, -1};
  if (::pipe(ends) != 0) return;
  impl_->pipe[0] = HighDescriptor(ends[0]);
  impl_->pipe[1] = HighDescriptor(ends[1]);
  if (impl_->pipe[0] < 0 || impl_->pipe[1] < 0) return;
  signalPipe = impl_->pipe[1];
  impl_->watcher = std::thread([impl = impl_.get()] { impl->Watch(); });

  for (int signal : kSignals) {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // The other stop signals wait while the handler runs; one that came
    // meanwhile then meets the default handling, as a second request should.
    for (int other : kSignals) sigaddset(&action.sa_mask, other);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
  }
}

StopRequestWatch::~StopRequestWatch() {
  DefaultHandling();
  signalPipe = -1;
  if (impl_->watcher.joinable()) {
    const char byte = kQuit;
    (void)!write(impl_->pipe[1], &byte, 1);
    impl_->watcher.join();
  }
  for (int fd : impl_->pipe)
    if (fd >= 0) close(fd);
}

}  // namespace albumdl::platform
