// A pacer for tests: returns at once and keeps the pauses asked for, so a test
// can check the exact sequence; it still honours a gate, so tests can pause and
// end a run.
#pragma once

#include <mutex>
#include <string>
#include <utility>
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
  // Notes a request the site saw (from its request observer), so that a test
  // can ask what was paused between requests rather than for the exact
  // sequence: the pauses asked for before each request whose target starts
  // with prefix, since the request before it, of any kind (one lane).
  void MarkRequest(const std::string& target);
  std::vector<int> PausedBefore(const std::string& prefix) const;

 private:
  RunGate* gate_;
  mutable std::mutex mutex_;
  std::vector<int> pauses_;
  std::vector<std::pair<std::string, size_t>> requests_;  // target, pauses before it
};

}  // namespace albumdl::testing
