#include "control/pacer.h"

#include <climits>

namespace albumdl {

PaceClock::duration RealPacer::Scaled(int ms) const {
  double scaled = ms * factor_;
  if (!(scaled > 0)) scaled = 0;  // also catches NaN
  if (scaled > INT_MAX) scaled = INT_MAX;
  return std::chrono::milliseconds(static_cast<int>(scaled));
}

bool RealPacer::PumpingWait(int ms) {
  const PaceClock::duration pause = Scaled(ms);
  if (pause == PaceClock::duration::zero()) return gate_.Pass();
  return gate_.WaitUntil(PaceClock::now() + pause);
}

bool RealPacer::PumpingWaitSince(PaceClock::time_point since, int ms) {
  return gate_.WaitUntil(since + Scaled(ms));
}

PacerFactory RealPacers(double pace) {
  return [pace](RunGate& gate) -> std::unique_ptr<Pacer> {
    return std::make_unique<RealPacer>(gate, pace);
  };
}

}  // namespace albumdl
