// Ctrl-C on the command line. The signal handler only writes a byte into a pipe;
// a watcher thread reads it and runs the action of the moment (end the
// retrieval's pauses, end the download run), outside the handler where locks and
// allocations are allowed. A second Ctrl-C kills the program at once.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace albumdl::cli {

class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();  // puts the default handling back and stops the watcher
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  // What to do on Ctrl-C from now on; nullptr for nothing. Runs at once when
  // Ctrl-C came already. Returns after an action under way has finished, so the
  // things the old action used may go afterwards.
  void SetAction(std::function<void()> action);
  bool Interrupted() const { return interrupted_; }

 private:
  void Watch();

  int pipe_[2] = {-1, -1};
  std::atomic<bool> interrupted_{false};
  std::mutex mutex_;
  std::function<void()> action_;
  std::thread watcher_;
};

}  // namespace albumdl::cli
