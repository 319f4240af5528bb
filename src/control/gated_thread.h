// One piece of work on a thread of its own, with the gate through which it is
// paused and ended from outside. While the work runs, every transfer it makes
// checks the gate, so an end also aborts a request under way. Used by the
// album retrieval and the download run; the window thread starts, pauses and
// ends, and never waits for the work.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "control/run_gate.h"

namespace albumdl {

class GatedThread {
 public:
  GatedThread() = default;
  ~GatedThread();  // ends the work and waits for its thread
  GatedThread(const GatedThread&) = delete;
  GatedThread& operator=(const GatedThread&) = delete;

  // Resets the gate and starts work on a new thread. False, with nothing
  // started, while earlier work is still running or when no thread can be
  // made. The thread of earlier work that has returned is joined first, which
  // takes no time.
  // Nothing the work throws ends the program: an exception that escapes it is
  // caught at the thread's edge and handed to escaped (its what() text, as
  // ASCII), on the work's thread, after which the thread ends as usual.
  bool Start(std::function<void(RunGate&)> work,
             std::function<void(const char* what)> escaped = nullptr);
  RunGate& Gate() { return gate_; }
  bool Running() const;  // the work has not returned yet
  // Until the work has returned and its thread is gone. For the command line,
  // tests and the end of the program; the window thread never calls it while
  // work runs.
  void Wait();

 private:
  mutable std::mutex mutex_;
  std::condition_variable done_;
  std::thread thread_;
  bool running_ = false;
  RunGate gate_;
};

}  // namespace albumdl
