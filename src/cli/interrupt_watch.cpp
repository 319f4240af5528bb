#include "cli/interrupt_watch.h"

#include <utility>

namespace albumdl::cli {

InterruptWatch::InterruptWatch()
    : exitStatus_(platform::ExitStatusOf(platform::StopRequest::kInterrupt)),
      watch_([this](platform::StopRequest request) { OnStop(request); }) {}

void InterruptWatch::SetAction(std::function<void()> action) {
  std::lock_guard lock(mutex_);
  action_ = std::move(action);
  if (interrupted_ && action_) action_();
}

void InterruptWatch::OnStop(platform::StopRequest request) {
  std::lock_guard lock(mutex_);
  // The first request says how the program ends.
  if (!interrupted_) exitStatus_ = platform::ExitStatusOf(request);
  interrupted_ = true;
  if (action_) action_();
}

}  // namespace albumdl::cli
