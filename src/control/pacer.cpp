#include "control/pacer.h"

#include <climits>

namespace albumdl {

bool RealPacer::PumpingWait(int ms) {
  double scaled = ms * factor_;
  if (!(scaled > 0)) scaled = 0;  // also catches NaN
  if (scaled > INT_MAX) scaled = INT_MAX;
  return gate_.WaitFor(static_cast<int>(scaled));
}

PacerFactory RealPacers(double pace) {
  return [pace](RunGate& gate) -> std::unique_ptr<Pacer> {
    return std::make_unique<RealPacer>(gate, pace);
  };
}

}  // namespace albumdl
