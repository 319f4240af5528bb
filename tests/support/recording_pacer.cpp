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
  requests_.clear();
}

void RecordingPacer::MarkRequest(const std::string& target) {
  std::lock_guard lock(mutex_);
  requests_.emplace_back(target, pauses_.size());
}

std::vector<int> RecordingPacer::PausedBefore(const std::string& prefix) const {
  std::lock_guard lock(mutex_);
  std::vector<int> paused;
  for (size_t i = 0; i < requests_.size(); ++i) {
    if (requests_[i].first.rfind(prefix, 0) != 0) continue;
    int sum = 0;
    for (size_t p = i == 0 ? 0 : requests_[i - 1].second; p < requests_[i].second; ++p)
      sum += pauses_[p];
    paused.push_back(sum);
  }
  return paused;
}

}  // namespace albumdl::testing
