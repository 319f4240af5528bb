#include "text/pacer.h"

#include <climits>

namespace albumdl {

void RunGate::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
  changed_.notify_all();
}

void RunGate::Continue() {
  std::lock_guard lock(mutex_);
  paused_ = false;
  changed_.notify_all();
}

void RunGate::End() {
  std::lock_guard lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

void RunGate::Reset() {
  std::lock_guard lock(mutex_);
  paused_ = false;
  ended_ = false;
  changed_.notify_all();
}

bool RunGate::Paused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

bool RunGate::Ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

bool RunGate::Pass() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !paused_ || ended_; });
  return !ended_;
}

bool RunGate::WaitFor(int ms) {
  if (ms > 0) {
    // A steady clock, so that a change of the wall clock neither cuts a pause
    // short nor stretches it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [this] { return ended_; });
  }
  return Pass();
}

bool RealPacer::PumpingWait(int ms) {
  double scaled = ms * factor_;
  if (!(scaled > 0)) scaled = 0;  // also catches NaN
  if (scaled > INT_MAX) scaled = INT_MAX;
  return gate_.WaitFor(static_cast<int>(scaled));
}

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

}  // namespace albumdl
