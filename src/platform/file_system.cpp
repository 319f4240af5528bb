#include "platform/file_system.h"

#include <atomic>

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

}  // namespace albumdl::platform
