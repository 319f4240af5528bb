// The state a run can be told to take from outside: running, paused, ended. The
// run passes its safe points through the gate (before every request, every
// caption it changes, every pause), so pause holds it there and end stops it.
// Thread-safe.
#pragma once

// <condition_variable> brings the clock types. <chrono> itself must not be
// included where narrow literals are compiled to GBK: it holds a "\u00b5s"
// literal that GBK cannot represent.
#include <condition_variable>
#include <mutex>

namespace albumdl {

class RunGate {
 public:
  void Pause();
  void Continue();
  // Ends the run. False when the run has already passed its finish: it then
  // ends as finished, and nothing may say it was ended.
  bool End();
  // Marks the run as finished. False when it was ended first: it then ends as
  // ended, and nothing may say it finished. Exactly one of End and Finish wins.
  bool Finish();
  void Reset();  // back to running, for a new run
  bool Paused() const;
  bool Ended() const;
  // Holds while paused; returns false once ended.
  bool Pass();
  // Waits ms milliseconds (less when ended), then Pass().
  bool WaitFor(int ms);
  // Waits until the moment (at once when it has passed; sooner when ended),
  // then Pass().
  bool WaitUntil(std::chrono::steady_clock::time_point moment);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool paused_ = false;
  bool ended_ = false;
  bool finished_ = false;
};

}  // namespace albumdl
