#include "support/recording_pacer.h"

namespace albumdl::testing {

bool RecordingPacer::PumpingWait(int ms) {
  {
    std::lock_guard lock(mutex_);
    pauses_.push_back(ms);
  }
  return gate_ ? gate_->Pass() : true;
}

std::vector<int> RecordingPacer::Pauses() const {
  std::lock_guard lock(mutex_);
  return pauses_;
}

void RecordingPacer::Clear() {
  std::lock_guard lock(mutex_);
  pauses_.clear();
}

}  // namespace albumdl::testing
