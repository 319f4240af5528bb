#include "platform/program_directory.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/native_path.h"

namespace albumdl::platform {
namespace fs = std::filesystem;

namespace {

std::mutex overrideMutex;
std::string overrideDirectory;  // GBK, empty when not set

// Works on code page 936 text: walking forward keeps the trail byte 5C of a
// double-byte character (乗 is 81 5C) from being taken for a separator.
std::string WithoutTrailingSeparator(const std::string& path) {
  size_t end = 0;
  for (size_t i = 0; i < path.size();) {
    const size_t step = static_cast<unsigned char>(path[i]) >= 0x80 && i + 1 < path.size() ? 2 : 1;
    if (step == 2 || (path[i] != '/' && path[i] != '\\')) end = i + step;
    i += step;
  }
  return end == 0 ? path.substr(0, 1) : path.substr(0, end);  // a root stays a root
}

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

// An installed program: in a bin folder (/usr/bin, /usr/local/bin,
// ~/.local/bin, PREFIX/bin) or anywhere under /usr, which the package manager
// owns. Its folder is for programs only, even when we could write there.
bool IsInstalledFolder(const fs::path& folder) {
  const std::string path = folder.string();
  return folder.filename() == "bin" || path == "/usr" || path.starts_with("/usr/");
}

// The folder of the executable when we may write there and it is not an
// installed program's (settings and record stores live beside the program);
// otherwise the per-user data folder.
std::string DefaultDirectory() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::string folder = exe.parent_path().string();
    if (!folder.empty() && !IsInstalledFolder(exe.parent_path()) &&
        ::access(folder.c_str(), W_OK) == 0)
      return folder;
  }
  std::string data;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
    data = std::string(xdg) + "/albumdl";
  } else {
    data = HomeDirectory() + "/.local/share/albumdl";
  }
  fs::create_directories(data, ec);
  return data;
}

}  // namespace

std::string ProgramDirectory() {
  {
    std::lock_guard lock(overrideMutex);
    if (!overrideDirectory.empty()) return overrideDirectory;
  }
  if (const char* home = std::getenv("ALBUMDL_HOME"); home && *home) {
    return WithoutTrailingSeparator(TextPathOf(NativePath::FromSystem(home)));
  }
  static const std::string fallback =
      WithoutTrailingSeparator(TextPathOf(NativePath::FromSystem(DefaultDirectory())));
  return fallback;
}

void SetProgramDirectory(const std::string& gbkPath) {
  std::lock_guard lock(overrideMutex);
  overrideDirectory = WithoutTrailingSeparator(gbkPath);
}

}  // namespace albumdl::platform
