// A fresh folder under /tmp (on Windows the user's temporary folder) for one
// test, removed with everything in it when the TempDir goes out of scope.
#pragma once

#include <filesystem>
#include <string>

#include "text/text.h"

namespace albumdl::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder as this system names it (UTF-8, its separators), without a
  // trailing separator.
  const std::string& Native() const { return native_; }
  // The folder as the program names it: code page 936 text, no trailing separator.
  Text Path() const;
  // Path() + "\" + name, for a file or folder inside (name in code page 936).
  Text File(const Text& name) const;
  // Native(), the system's separator, name (in UTF-8; Windows also reads a "/"
  // inside it as a separator).
  std::string NativeFile(const std::string& name) const;

 private:
  std::string native_;
};

// A fresh folder for a test; empty when none could be made. A POSIX and a
// Windows half.
std::string MakeTemporaryFolder();

// A native path (UTF-8) for std::filesystem and the streams: taken as UTF-8 on
// every system (a plain char string is read in the ANSI code page on Windows).
std::filesystem::path NativeFsPath(const std::string& utf8);
// And back: a std::filesystem path as UTF-8.
std::string Utf8Of(const std::filesystem::path& path);

}  // namespace albumdl::testing
