// Requests from outside to stop the program: Ctrl-C, a request to terminate
// (from a service manager, kill, a shutdown), the terminal hanging up. A
// watch turns each into a call on a thread of its own, outside any signal
// handler, where locks and allocations are allowed.
#pragma once

#include <functional>
#include <memory>

namespace albumdl::platform {

enum class StopRequest { kInterrupt, kTerminate, kHangUp };

// The exit status a program ended by the request has by convention: 130,
// 143 and 129 here (128 + the signal's number).
int ExitStatusOf(StopRequest request);

class StopRequestWatch {
 public:
  // onStop runs on the watch's own thread, once per request, in order. After
  // the first request a second one ends the program at once, as the system
  // ends a program that does not handle it: whoever asks twice wants out now.
  explicit StopRequestWatch(std::function<void(StopRequest)> onStop);
  ~StopRequestWatch();  // puts the default handling back and stops the thread
  StopRequestWatch(const StopRequestWatch&) = delete;
  StopRequestWatch& operator=(const StopRequestWatch&) = delete;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace albumdl::platform
