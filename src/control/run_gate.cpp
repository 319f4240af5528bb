#include "control/run_gate.h"

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

bool RunGate::End() {
  std::lock_guard lock(mutex_);
  if (finished_) return false;
  ended_ = true;
  changed_.notify_all();
  return true;
}

bool RunGate::Finish() {
  std::lock_guard lock(mutex_);
  if (ended_) return false;
  finished_ = true;
  return true;
}

void RunGate::Reset() {
  std::lock_guard lock(mutex_);
  paused_ = false;
  ended_ = false;
  finished_ = false;
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
  if (ms <= 0) return Pass();
  // A steady clock, so that a change of the wall clock neither cuts a pause
  // short nor stretches it.
  return WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
}

bool RunGate::WaitUntil(std::chrono::steady_clock::time_point moment) {
  std::unique_lock lock(mutex_);
  // A moment already past (no pauses, or work that took the whole pause)
  // costs no timed wait, which would go to the system all the same.
  if (std::chrono::steady_clock::now() < moment) {
    changed_.wait_until(lock, moment, [this] { return ended_; });
  }
  changed_.wait(lock, [this] { return !paused_ || ended_; });
  return !ended_;
}

}  // namespace albumdl
