#include "fault_switches.h"

#include <cmath>

namespace demosite {

void FaultSwitches::Set(const std::string& pathPrefix, const Fault& fault) {
  entries_[pathPrefix] = Entry{fault, 0};
}

void FaultSwitches::Clear() { entries_.clear(); }

std::optional<Fault> FaultSwitches::Next(const std::string& path) {
  Entry* best = nullptr;
  size_t bestLength = 0;
  for (auto& [prefix, entry] : entries_) {
    if (path.compare(0, prefix.size(), prefix) == 0 && (!best || prefix.size() >= bestLength)) {
      best = &entry;
      bestLength = prefix.size();
    }
  }
  if (!best) return std::nullopt;
  const Fault& fault = best->fault;
  if (best->seen < fault.skipFirst) {
    ++best->seen;
    return std::nullopt;
  }
  long long index = best->seen++ - fault.skipFirst;
  if (fault.firstN >= 0 && index >= fault.firstN) return std::nullopt;
  // The share is spread evenly and the same on every run: request i (from 0)
  // fires when floor((i + 1) * f) moves past floor(i * f), so 0.5 hits every
  // second request and 0.25 every fourth.
  double share = fault.fraction;
  if (share < 1.0) {
    if (share <= 0.0) return std::nullopt;
    // The small allowance keeps products such as 100 * 0.29 on the integer
    // they stand for.
    const double allowance = 1e-9;
    if (std::floor((index + 1) * share + allowance) <= std::floor(index * share + allowance)) {
      return std::nullopt;
    }
  }
  return fault;
}

}  // namespace demosite
