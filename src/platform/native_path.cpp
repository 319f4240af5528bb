#include "platform/native_path.h"

#include <algorithm>

#include "platform/code_page.h"
#include "platform/path_syntax.h"

namespace albumdl::platform {
namespace {

// Plain ASCII reads the same in code page 936 and in UTF-8: such a path (a
// picture's file name) needs no conversion.
bool IsAscii(const std::string& bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

NativePath NativePath::operator/(const std::string& utf8Name) const {
  if (utf8_.empty()) return NativePath(utf8Name);
  if (IsNativeSeparator(utf8_.back())) return NativePath(utf8_ + utf8Name);
  return NativePath(utf8_ + NativeSeparator() + utf8Name);
}

NativePath NativePath::Parent() const {
  const size_t root = RootLength(utf8_);
  size_t end = utf8_.size();
  while (end > root && !IsNativeSeparator(utf8_[end - 1])) --end;
  if (end == 0) return NativePath(".");
  if (end <= root) return NativePath(utf8_.substr(0, root));
  return NativePath(utf8_.substr(0, end - 1));
}

std::string NativePath::Name() const {
  size_t start = utf8_.size();
  while (start > 0 && !IsNativeSeparator(utf8_[start - 1])) --start;
  return utf8_.substr(start);
}

NativePath NativePathOf(const Text& path) {
  std::string native = IsAscii(path) ? path : WideToMultiByte(65001, MultiByteToWide(936, path));
  for (char& c : native) {
    if (c == '\\' || c == '/') c = NativeSeparator();
  }
  return NativePath::FromSystem(std::move(native));
}

Text TextPathOf(const NativePath& path) {
  if (IsAscii(path.str())) return path.str();
  return WideToMultiByte(936, MultiByteToWide(65001, path.str()));
}

Text ShownPath(const Text& path) {
  Text shown;
  shown.reserve(path.size());
  // Whether the last thing written was a separator; the last byte cannot say,
  // as a double-byte character may end in 0x5C, which is "\\".
  bool afterSeparator = false;
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    // A double-byte character goes whole: its trail byte can be 0x5C.
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < path.size()) {
      shown += c;
      shown += path[++i];
      afterSeparator = false;
      continue;
    }
    const bool separator = c == '\\' || c == '/';
    if (separator && afterSeparator) continue;
    shown += separator ? NativeSeparator() : c;
    afterSeparator = separator;
  }
  return shown;
}

bool RoundTrips(const NativePath& path) {
  return WideToMultiByte(65001, MultiByteToWide(936, TextPathOf(path))) == path.str();
}

}  // namespace albumdl::platform
