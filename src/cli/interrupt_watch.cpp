#include "cli/interrupt_watch.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace albumdl::cli {

namespace {

// The write end of the pipe, for the handler. Only one watch exists at a time.
int signalPipe = -1;

constexpr char kInterrupt = 'i';
constexpr char kQuit = 'q';

void OnInterrupt(int) {
  const int saved = errno;
  char byte = kInterrupt;
  if (signalPipe >= 0) (void)!write(signalPipe, &byte, 1);
  // The next Ctrl-C gets the default handling: whoever presses it twice wants
  // out now, finished or not.
  signal(SIGINT, SIG_DFL);
  errno = saved;
}

}  // namespace

InterruptWatch::InterruptWatch() {
  if (pipe(pipe_) != 0) return;
  fcntl(pipe_[0], F_SETFD, FD_CLOEXEC);
  fcntl(pipe_[1], F_SETFD, FD_CLOEXEC);
  signalPipe = pipe_[1];
  watcher_ = std::thread([this] { Watch(); });

  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

InterruptWatch::~InterruptWatch() {
  signal(SIGINT, SIG_DFL);
  signalPipe = -1;
  if (watcher_.joinable()) {
    char byte = kQuit;
    (void)!write(pipe_[1], &byte, 1);
    watcher_.join();
  }
  for (int fd : pipe_)
    if (fd >= 0) close(fd);
}

void InterruptWatch::SetAction(std::function<void()> action) {
  std::lock_guard lock(mutex_);
  action_ = std::move(action);
  if (interrupted_ && action_) action_();
}

void InterruptWatch::Watch() {
  while (true) {
    char byte = 0;
    const ssize_t got = read(pipe_[0], &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || byte == kQuit) return;
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    if (action_) action_();
  }
}

}  // namespace albumdl::cli
