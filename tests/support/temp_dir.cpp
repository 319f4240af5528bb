#include "support/temp_dir.h"

#include <filesystem>

#include "platform/files.h"

namespace albumdl::testing {

TempDir::TempDir() : native_(MakeTemporaryFolder()) {}

TempDir::~TempDir() {
  if (native_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(NativeFsPath(native_), ec);
}

std::filesystem::path NativeFsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

Text TempDir::Path() const {
  return platform::TextPathOf(platform::NativePath::FromSystem(native_));
}

Text TempDir::File(const Text& name) const { return Path() + "\\" + name; }

std::string TempDir::NativeFile(const std::string& name) const { return native_ + "/" + name; }

}  // namespace albumdl::testing
