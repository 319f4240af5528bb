#include <windows.h>
// After windows.h.
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/file_system.h"
#include "platform/process_id.h"
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

// Writable is what a write says: the folder's attributes tell nothing (the
// read-only flag of a folder does not stop writes), its access rights are the
// system's to weigh. The probe goes through the program's file system, like
// every write.
bool IsWritable(const NativePath& folder) {
  const NativePath probe = folder / (".albumdl-probe-" + std::to_string(ThisProcessId()));
  if (!Files().WriteNewFile(probe, "", false).ok()) return false;
  Files().Remove(probe);
  return true;
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
    if (IsWritable(folder)) return folder.str();
  }
  const NativePath data = NativePath::FromSystem(RoamingAppData()) / "albumdl";
  Files().CreateFolders(data);
  return data.str();
}

}  // namespace albumdl::platform
