#include "support/temp_dir.h"

#include <filesystem>

#include "platform/files.h"
#include "platform/path_syntax.h"

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

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

Text TempDir::Path() const {
  return platform::TextPathOf(platform::NativePath::FromSystem(native_));
}

Text TempDir::File(const Text& name) const { return Path() + "\\" + name; }

std::string TempDir::NativeFile(const std::string& name) const {
  return native_ + platform::NativeSeparator() + name;
}

}  // namespace albumdl::testing
