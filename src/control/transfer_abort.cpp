#include "control/transfer_abort.h"

#include <utility>

namespace albumdl {
namespace {

// Each thread has its own predicate: ending a download must abort that
// download's transfer, not a request the window thread happens to make.
thread_local std::function<bool()> currentAbortCheck;

}  // namespace

TransferAbortGuard::TransferAbortGuard(std::function<bool()> shouldAbort)
    : previous_(currentAbortCheck) {
  // An outer guard keeps its say while an inner one is alive.
  currentAbortCheck = [outer = previous_, inner = std::move(shouldAbort)] {
    return (inner && inner()) || (outer && outer());
  };
}

TransferAbortGuard::~TransferAbortGuard() { currentAbortCheck = std::move(previous_); }

bool TransferAbortRequested() { return currentAbortCheck && currentAbortCheck(); }

}  // namespace albumdl
