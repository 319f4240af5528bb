#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/program_directory.h"

namespace albumdl::platform {
namespace fs = std::filesystem;

namespace {

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
}  // namespace

std::string DefaultProgramDirectory() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::string folder = exe.parent_path().string();
    if (!folder.empty() && !IsInstalledFolder(exe.parent_path()) &&
        FolderTakesWrites(NativePath::FromSystem(folder)))
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

}  // namespace albumdl::platform
