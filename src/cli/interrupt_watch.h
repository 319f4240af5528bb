// Ctrl-C, SIGTERM and SIGHUP on the command line: each ends the retrieval or the
// download at its next safe point, as Ctrl-C always did. The action of the
// moment (end the retrieval's pauses, end the download run) runs on the
// watch's thread, outside any signal handler. A second request kills the
// program at once.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

#include "platform/stop_requests.h"

namespace albumdl::cli {

class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch() = default;  // puts the default handling back
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  // What to do on a stop request from now on; nullptr for nothing. Runs at
  // once when a request came already. Returns after an action under way has
  // finished, so the things the old action used may go afterwards.
  void SetAction(std::function<void()> action);
  bool Interrupted() const { return interrupted_; }
  // The exit status the request that came asks for (130 for Ctrl-C, 143 for
  // SIGTERM, 129 for SIGHUP); 130 before any came.
  int ExitStatus() const { return exitStatus_; }

 private:
  void OnStop(platform::StopRequest request);

  std::atomic<bool> interrupted_{false};
  std::atomic<int> exitStatus_;
  std::mutex mutex_;
  std::function<void()> action_;
  // Last: it goes first, so no request reaches the members above once they
  // are gone.
  platform::StopRequestWatch watch_;
};

}  // namespace albumdl::cli
