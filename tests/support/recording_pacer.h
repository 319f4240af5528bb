// A pacer for tests: returns at once and keeps the pauses asked for, so a test
// can check the exact sequence; it still honours a gate, so tests can pause and
// end a run.
#pragma once

#include <mutex>
#include <vector>

#include "control/pacer.h"

namespace albumdl::testing {

class RecordingPacer : public Pacer {
 public:
  explicit RecordingPacer(RunGate* gate = nullptr) : gate_(gate) {}
  bool PumpingWait(int ms) override;
  // Kept in the same list: a test reads the sequence of every wait.
  bool RealWait(int ms) override { return PumpingWait(ms); }
  std::vector<int> Pauses() const;
  void Clear();

 private:
  RunGate* gate_;
  mutable std::mutex mutex_;
  std::vector<int> pauses_;
};

}  // namespace albumdl::testing
