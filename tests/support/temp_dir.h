// A fresh folder under /tmp for one test, removed with everything in it when
// the TempDir goes out of scope.
#pragma once

#include <string>

#include "text/text.h"

namespace albumdl::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder as this system names it (UTF-8, "/"), without a trailing "/".
  const std::string& Native() const { return native_; }
  // The folder as the program names it: code page 936 text, no trailing separator.
  Text Path() const;
  // Path() + "\" + name, for a file or folder inside (name in code page 936).
  Text File(const Text& name) const;
  // Native() + "/" + name (name in UTF-8).
  std::string NativeFile(const std::string& name) const;

 private:
  std::string native_;
};

}  // namespace albumdl::testing
