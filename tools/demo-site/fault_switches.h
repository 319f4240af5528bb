// Which fault, if any, a request meets: the faults set per path prefix, each
// with its own count of the requests it has seen.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "demo_site.h"

namespace demosite {

class FaultSwitches {
 public:
  // Replaces the fault of the prefix and starts its count afresh.
  void Set(const std::string& pathPrefix, const Fault& fault);
  void Clear();
  // The fault this request meets. The longest prefix that matches the path
  // decides; a request counts towards it whether or not the fault fires.
  std::optional<Fault> Next(const std::string& path);

 private:
  struct Entry {
    Fault fault;
    long long seen = 0;
  };
  std::map<std::string, Entry> entries_;
};

}  // namespace demosite
