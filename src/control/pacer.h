// Every pause of the program goes through a Pacer, and every pause is a safe
// point where pause, continue and end of a run take effect.
#pragma once

#include <condition_variable>  // the clock types (see run_gate.h)
#include <functional>
#include <memory>

#include "control/run_gate.h"

namespace albumdl {

using PaceClock = std::chrono::steady_clock;

class Pacer {
 public:
  virtual ~Pacer() = default;
  // Pauses the calling thread for at least ms milliseconds. Returns false when
  // the run was ended meanwhile; the caller then stops at once.
  virtual bool PumpingWait(int ms) = 0;
  // The same pause, counted from an earlier moment: work done since then
  // that asks the site for nothing (saving a picture that came) lies inside
  // the pause instead of before it. The site still sees ms between the
  // request before and the request after. Pacers that only record the pauses
  // take it as PumpingWait(ms).
  virtual bool PumpingWaitSince(PaceClock::time_point /*since*/, int ms) { return PumpingWait(ms); }
  // Waits ms milliseconds of real time, whatever the pace: a wait the site
  // asked for (Retry-After). Returns false when the run was ended meanwhile.
  virtual bool RealWait(int ms) = 0;
};

// Waits for real, through a gate, so that pause and end act during the wait.
class RealPacer : public Pacer {
 public:
  explicit RealPacer(RunGate& gate, double factor = 1.0) : gate_(gate), factor_(factor) {}
  bool PumpingWait(int ms) override;
  bool PumpingWaitSince(PaceClock::time_point since, int ms) override;
  bool RealWait(int ms) override { return gate_.WaitFor(ms); }

 private:
  PaceClock::duration Scaled(int ms) const;

  RunGate& gate_;
  double factor_;  // multiplies every pause (0: no pauses)
};

// Makes the pacer of a run over the run's gate: real ones in the programs,
// recording ones in tests.
using PacerFactory = std::function<std::unique_ptr<Pacer>(RunGate& gate)>;
// Real pacers whose pauses are multiplied by pace (1: as designed, 0: none).
PacerFactory RealPacers(double pace);

}  // namespace albumdl
