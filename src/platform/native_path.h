// A path as this system names it: UTF-8, with its separators ("/"; "\" on
// Windows, whose wide-character calls it is converted for). Inside the program a
// path is a code page 936 Text with "\" separators, as the settings file and
// the album list hold it; the two are different types so that one can never be
// passed where the other is meant. Only this folder converts between them.
#pragma once

#include <string>

#include "platform/strings.h"

namespace albumdl::platform {

class NativePath {
 public:
  NativePath() = default;
  // A path that comes from the system itself (arguments, the environment, a
  // folder listing) and is already in its encoding.
  static NativePath FromSystem(std::string utf8) { return NativePath(std::move(utf8)); }

  const std::string& str() const { return utf8_; }
  const char* c_str() const { return utf8_.c_str(); }
  bool empty() const { return utf8_.empty(); }
  // The path with one more name after a separator.
  NativePath operator/(const std::string& utf8Name) const;
  NativePath Parent() const;  // the folder that holds it ("." when none is named)
  std::string Name() const;   // the last name
  bool operator==(const NativePath& other) const = default;

 private:
  explicit NativePath(std::string utf8) : utf8_(std::move(utf8)) {}
  std::string utf8_;
};

// Text path with "\" separators -> this system's path. Converts first, then
// turns the separators into the system's, because a code page 936 trail byte
// can be 0x5C.
NativePath NativePathOf(const Text& path);
// This system's path -> Text path (its separators are left as they are). Characters
// that code page 936 cannot hold come out as "?": RoundTrips tells whether
// that happened.
Text TextPathOf(const NativePath& path);
bool RoundTrips(const NativePath& path);
// A path of the program as the user's system shows paths, for the log: still
// code page 936, with this system's separators ("/", or "\" on Windows; one
// between two names) wherever the program wrote "\" or a folder given with "/"
// met one.
Text ShownPath(const Text& path);

}  // namespace albumdl::platform
