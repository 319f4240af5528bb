// Lets a caller abort transfers under way on its own thread: while a guard is
// alive, every request made by this thread checks the predicate as data flows and
// gives up (empty body, status 0) once it answers true.
#pragma once

#include <functional>

namespace albumdl {

class TransferAbortGuard {
 public:
  explicit TransferAbortGuard(std::function<bool()> shouldAbort);
  ~TransferAbortGuard();
  TransferAbortGuard(const TransferAbortGuard&) = delete;
  TransferAbortGuard& operator=(const TransferAbortGuard&) = delete;

 private:
  std::function<bool()> previous_;
};

// True when the current thread's guard asks for an abort.
bool TransferAbortRequested();

}  // namespace albumdl
