// Every pause of the program goes through a Pacer, and every pause is a safe
// point where pause, continue and end of a download run take effect.
#pragma once

// <condition_variable> brings the clock types. <chrono> itself must not be
// included where narrow literals are compiled to GBK: it holds a "\u00b5s"
// literal that GBK cannot represent.
#include <condition_variable>
#include <mutex>
#include <vector>

namespace albumdl {

// The state a run can be told to take from outside: running, paused, ended.
// Thread-safe. The worker passes its safe points through it.
class RunGate {
 public:
  void Pause();
  void Continue();
  void End();
  void Reset();  // back to running, for a new run
  bool Paused() const;
  bool Ended() const;
  // Holds while paused; returns false once ended.
  bool Pass();
  // Waits ms milliseconds (less when ended), then Pass().
  bool WaitFor(int ms);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool paused_ = false;
  bool ended_ = false;
};

class Pacer {
 public:
  virtual ~Pacer() = default;
  // Pauses the calling thread for at least ms milliseconds. Returns false when
  // the run was ended meanwhile; the caller then stops at once.
  virtual bool PumpingWait(int ms) = 0;
};

// Waits for real, through a gate, so that pause and end act during the wait.
class RealPacer : public Pacer {
 public:
  explicit RealPacer(RunGate& gate, double factor = 1.0) : gate_(gate), factor_(factor) {}
  bool PumpingWait(int ms) override;

 private:
  RunGate& gate_;
  double factor_;  // multiplies every pause (0: no pauses)
};

// Returns at once and keeps the pauses asked for; still honours a gate, so
// tests can pause and end a run.
class RecordingPacer : public Pacer {
 public:
  explicit RecordingPacer(RunGate* gate = nullptr) : gate_(gate) {}
  bool PumpingWait(int ms) override;
  std::vector<int> Pauses() const;
  void Clear();

 private:
  RunGate* gate_;
  mutable std::mutex mutex_;
  std::vector<int> pauses_;
};

}  // namespace albumdl
