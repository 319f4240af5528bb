#include "platform/program_directory.h"

#include <mutex>

#include "platform/code_page.h"
#include "platform/environment.h"
#include "platform/native_path.h"
#include "platform/path_syntax.h"

namespace albumdl::platform {
namespace {

std::mutex overrideMutex;
std::string overrideDirectory;  // GBK, empty when not set

// Works on code page 936 text: walking forward keeps the trail byte 5C of a
// double-byte character (乗 is 81 5C) from being taken for a separator.
std::string WithoutTrailingSeparator(const std::string& path) {
  size_t end = 0;
  for (size_t i = 0; i < path.size();) {
    const size_t step = CharLength(path, i);
    if (step == 2 || (path[i] != '/' && path[i] != '\\')) end = i + step;
    i += step;
  }
  // A root stays a root: "/", and "C:\" rather than "C:" (that drive's
  // current folder).
  const size_t root = RootLength(path);
  if (end < root) return path.substr(0, root);
  return end == 0 ? path.substr(0, 1) : path.substr(0, end);
}

}  // namespace

std::string ProgramDirectory() {
  {
    std::lock_guard lock(overrideMutex);
    if (!overrideDirectory.empty()) return overrideDirectory;
  }
  if (const std::string home = EnvironmentValue("ALBUMDL_HOME"); !home.empty()) {
    return WithoutTrailingSeparator(TextPathOf(NativePath::FromSystem(home)));
  }
  static const std::string fallback =
      WithoutTrailingSeparator(TextPathOf(NativePath::FromSystem(DefaultProgramDirectory())));
  return fallback;
}

void SetProgramDirectory(const std::string& gbkPath) {
  std::lock_guard lock(overrideMutex);
  overrideDirectory = WithoutTrailingSeparator(gbkPath);
}

}  // namespace albumdl::platform
