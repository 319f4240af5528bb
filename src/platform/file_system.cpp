#include "platform/file_system.h"

#include <atomic>
#include <string>

#include "platform/process_id.h"

namespace albumdl::platform {
namespace {

std::atomic<FileSystem*> current{nullptr};

}  // namespace

FileSystem& Files() {
  FileSystem* files = current.load();
  return files != nullptr ? *files : RealFileSystem();
}

FileSystemOverride::FileSystemOverride(FileSystem& replacement) : previous_(current.load()) {
  current.store(&replacement);
}

FileSystemOverride::~FileSystemOverride() { current.store(previous_); }

bool FolderTakesWrites(const NativePath& folder) {
  if (folder.empty()) return false;
  const NativePath probe = folder / (".albumdl-probe-" + std::to_string(ThisProcessId()));
  if (!Files().WriteNewFile(probe, "", false).ok()) return false;
  Files().Remove(probe);
  return true;
}

}  // namespace albumdl::platform
