#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>

#include "platform/files.h"

namespace albumdl::testing {

TempDir::TempDir() {
  std::string pattern = "/tmp/albumdl-test-XXXXXX";
  if (::mkdtemp(pattern.data())) native_ = pattern;
}

TempDir::~TempDir() {
  if (native_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(native_, ec);
}

Text TempDir::Path() const {
  return platform::TextPathOf(platform::NativePath::FromSystem(native_));
}

Text TempDir::File(const Text& name) const { return Path() + "\\" + name; }

std::string TempDir::NativeFile(const std::string& name) const { return native_ + "/" + name; }

}  // namespace albumdl::testing
