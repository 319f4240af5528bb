#include <windows.h>
// After windows.h.
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/file_system.h"
#include "platform/program_directory.h"
#include "platform/wide_windows.h"

namespace albumdl::platform {
namespace {

// The whole path of the running executable, however long.
std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

std::string RoamingAppData() {
  PWSTR path = nullptr;
  std::string folder;
  if (::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path) == S_OK) {
    folder = Utf8Of(path);
  }
  ::CoTaskMemFree(path);
  return folder;
}

}  // namespace

std::string DefaultProgramDirectory() {
  const std::wstring exe = ExecutablePath();
  const size_t slash = exe.find_last_of(L"\\/");
  if (slash != std::wstring::npos) {
    const NativePath folder = NativePath::FromSystem(Utf8Of(exe.substr(0, slash)));
    if (FolderTakesWrites(folder)) return folder.str();
  }
  const NativePath data = NativePath::FromSystem(RoamingAppData()) / "albumdl";
  Files().CreateFolders(data);
  return data.str();
}

}  // namespace albumdl::platform
