#include "fault_setting.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace demosite {
namespace {

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

// A whole decimal number without sign in [low, high].
bool ParseCount(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty() || text.size() > 18 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  value = std::stoll(text);
  return value >= low && value <= high;
}

bool ParseShare(const std::string& text, double& share) {
  if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
  char* end = nullptr;
  errno = 0;
  share = std::strtod(text.c_str(), &end);
  return errno == 0 && *end == '\0' && share > 0.0 && share <= 1.0;
}

const long long kMaxMs = 3600 * 1000;

// Reads KIND[:ARG] into fault; false with a message on a wrong kind or argument.
bool ParseKind(const std::string& text, Fault& fault, std::string& error) {
  size_t colon = text.find(':');
  std::string kind = text.substr(0, colon);
  bool hasArg = colon != std::string::npos;
  std::string arg = hasArg ? text.substr(colon + 1) : "";
  long long number = 0;
  using Kind = Fault::Kind;

  auto noArgument = [&](Kind k) {
    fault.kind = k;
    if (hasArg) error = kind + " takes no argument (got \"" + arg + "\")";
    return !hasArg;
  };
  if (kind == "reset") return noArgument(Kind::kReset);
  if (kind == "badjson") return noArgument(Kind::kBadJson);
  if (kind == "empty") return noArgument(Kind::kEmptyBody);
  if (kind == "status") {
    fault.kind = Kind::kStatus;
    if (!ParseCount(arg, 100, 599, number)) {
      error = "status needs a code from 100 to 599, as in status:503";
      return false;
    }
    fault.status = static_cast<int>(number);
    return true;
  }
  if (kind == "truncate") {
    fault.kind = Kind::kTruncate;
    if (!hasArg) return true;
    if (!ParseCount(arg, 0, 1LL << 40, number)) {
      error = "truncate takes the number of bytes to send, as in truncate:100, or nothing";
      return false;
    }
    fault.truncateAt = number;
    return true;
  }
  if (kind == "cut") {
    fault.kind = Kind::kCut;
    if (!hasArg) return true;
    if (!ParseCount(arg, 0, 1LL << 40, number)) {
      error = "cut takes the number of bytes to send, as in cut:100, or nothing";
      return false;
    }
    fault.truncateAt = number;
    return true;
  }
  if (kind == "compress") {
    fault.kind = Kind::kCompress;
    if (arg == "gzip") {
      fault.coding = Fault::Coding::kGzip;
    } else if (arg == "deflate") {
      fault.coding = Fault::Coding::kDeflate;
    } else {
      error = "compress needs gzip or deflate, as in compress:gzip";
      return false;
    }
    return true;
  }
  if (kind == "delay") {
    fault.kind = Kind::kDelay;
    if (!ParseCount(arg, 0, kMaxMs, number)) {
      error = "delay needs milliseconds from 0 to 3600000, as in delay:1500";
      return false;
    }
    fault.delayMs = static_cast<int>(number);
    return true;
  }
  if (kind == "notpicture") {
    fault.kind = Kind::kNotPicture;
    if (arg == "json") {
      fault.imposter = Fault::Imposter::kJson;
    } else if (arg == "text") {
      fault.imposter = Fault::Imposter::kText;
    } else if (arg == "html") {
      fault.imposter = Fault::Imposter::kHtml;
    } else {
      error = "notpicture needs json, text or html, as in notpicture:html";
      return false;
    }
    return true;
  }
  if (kind == "trickle") {
    fault.kind = Kind::kTrickle;
    std::vector<std::string> parts = SplitOn(arg, '/');
    long long ms = 0;
    if (parts.size() != 2 || !ParseCount(parts[0], 1, 1 << 20, number) ||
        !ParseCount(parts[1], 1, kMaxMs, ms)) {
      error =
          "trickle needs BYTES/MS, bytes (at least 1) sent every MS milliseconds (at least 1), "
          "as in trickle:4/250";
      return false;
    }
    fault.trickleBytes = static_cast<int>(number);
    fault.trickleMs = static_cast<int>(ms);
    return true;
  }
  if (kind == "huge") {
    fault.kind = Kind::kHuge;
    if (!ParseCount(arg, 1, 1 << 20, number)) {
      error = "huge needs a size in MiB from 1 to 1048576, as in huge:100";
      return false;
    }
    fault.hugeMegabytes = number;
    return true;
  }
  error = kind.empty() ? "the fault kind is missing after \"=\""
                       : "unknown fault kind \"" + kind +
                             "\" (status, reset, truncate, cut, delay, badjson, empty, "
                             "notpicture, trickle, huge, compress)";
  return false;
}

bool ParseOption(const std::string& text, Fault& fault, std::string& error) {
  size_t equals = text.find('=');
  std::string name = text.substr(0, equals);
  std::string value = equals == std::string::npos ? "" : text.substr(equals + 1);
  long long number = 0;
  using Kind = Fault::Kind;
  if (text.empty()) {
    error = "an empty option (a comma too many?)";
    return false;
  }
  if (equals == std::string::npos || value.empty()) {
    error = "option \"" + text + "\" needs a value, as in first=2";
    return false;
  }
  if (name == "first") {
    if (!ParseCount(value, 0, 1000000000, number)) {
      error = "first needs a whole number of requests, as in first=2";
      return false;
    }
    fault.firstN = static_cast<int>(number);
    return true;
  }
  if (name == "after") {
    if (!ParseCount(value, 0, 1000000000, number)) {
      error = "after needs a whole number of requests, as in after=1";
      return false;
    }
    fault.skipFirst = static_cast<int>(number);
    return true;
  }
  if (name == "share") {
    if (!ParseShare(value, fault.fraction)) {
      error = "share needs a number above 0 and at most 1, as in share=0.5";
      return false;
    }
    return true;
  }
  if (name == "retry-after") {
    if (fault.kind != Kind::kStatus) {
      error = "retry-after goes only with status";
      return false;
    }
    if (!ParseCount(value, 0, 1000000000, number)) {
      error = "retry-after needs whole seconds, as in retry-after=2";
      return false;
    }
    fault.retryAfter = static_cast<int>(number);
    return true;
  }
  if (name == "length") {
    if (fault.kind != Kind::kHuge) {
      error = "length goes only with huge";
      return false;
    }
    if (value != "yes" && value != "no") {
      error = "length is yes or no";
      return false;
    }
    fault.hugeLength = value == "yes";
    return true;
  }
  error = "unknown option \"" + name + "\" (first, after, share, retry-after, length)";
  return false;
}

}  // namespace

std::optional<FaultSetting> ParseFaultSetting(const std::string& text, std::string& error) {
  error.clear();
  size_t equals = text.find('=');
  if (equals == std::string::npos) {
    error = "no \"=\" between the path prefix and the fault kind, as in /img/=status:503";
    return std::nullopt;
  }
  FaultSetting setting;
  setting.pathPrefix = text.substr(0, equals);
  if (setting.pathPrefix.empty() || setting.pathPrefix[0] != '/') {
    error = "the path prefix must start with \"/\", as in /img/=status:503";
    return std::nullopt;
  }
  std::vector<std::string> parts = SplitOn(text.substr(equals + 1), ',');
  if (!ParseKind(parts[0], setting.fault, error)) return std::nullopt;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!ParseOption(parts[i], setting.fault, error)) return std::nullopt;
  }
  return setting;
}

}  // namespace demosite
