#include "platform/path_syntax.h"

namespace albumdl::platform {
namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Up to and with the separator after the next name; the end when none follows.
size_t AfterName(const std::string& path, size_t from) {
  while (from < path.size() && !IsNativeSeparator(path[from])) ++from;
  return from < path.size() ? from + 1 : from;
}

}  // namespace

char NativeSeparator() { return '\\'; }

bool IsNativeSeparator(char c) { return c == '\\' || c == '/'; }

size_t RootLength(const std::string& native) {
  const std::string& p = native;
  size_t start = 0;
  // The long form \\?\ (and the device form \\.\) before a drive or UNC\.
  if (p.size() >= 4 && IsNativeSeparator(p[0]) && IsNativeSeparator(p[1]) &&
      (p[2] == '?' || p[2] == '.') && IsNativeSeparator(p[3])) {
    start = 4;
    if (p.compare(4, 4, "UNC\\") == 0) return AfterName(p, AfterName(p, 8));
  } else if (p.size() >= 2 && IsNativeSeparator(p[0]) && IsNativeSeparator(p[1])) {
    return AfterName(p, AfterName(p, 2));  // \\server\share\ .
  }
  if (p.size() >= start + 2 && IsDriveLetter(p[start]) && p[start + 1] == ':') {
    const size_t afterColon = start + 2;
    return afterColon < p.size() && IsNativeSeparator(p[afterColon]) ? afterColon + 1 : afterColon;
  }
  if (start == 0 && !p.empty() && IsNativeSeparator(p[0])) return 1;  // the current drive's root
  return start;
}

}  // namespace albumdl::platform
