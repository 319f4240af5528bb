#include "support/album_check.h"

#include "download/duplicate_store.h"
#include "platform/file_system.h"

namespace albumdl::testing {

namespace {

// "12_1012.png" -> "1012"
std::string PhotoIdOf(const std::string& fileName) {
  const size_t underscore = fileName.find('_');
  const size_t dot = fileName.rfind('.');
  if (underscore == std::string::npos || dot == std::string::npos || dot < underscore) return {};
  return fileName.substr(underscore + 1, dot - underscore - 1);
}

}  // namespace

AlbumCheck CheckAlbum(const std::string& nativeFolder, const Text& programDirectory,
                      const Text& albumId, const std::set<std::string>& storeIds,
                      const std::function<std::string(const std::string& photoId)>& servedBytes) {
  AlbumCheck check;
  platform::FileSystem& files = platform::RealFileSystem();
  const platform::NativePath folder = platform::NativePath::FromSystem(nativeFolder);
  for (const std::string& name : files.List(folder)) {
    // Pictures are never hidden: any hidden file is a leftover, whatever the
    // program's own idea of its temporaries.
    if (name.front() == '.') {
      ++check.temporaries;
      continue;
    }
    const std::string id = PhotoIdOf(name);
    const auto bytes = files.Read(folder / name);
    if (id.empty() || !bytes || *bytes != servedBytes(id)) {
      ++check.corrupted;
      continue;
    }
    ++check.pictures;
    check.onDisk.insert(id);
  }
  DuplicateStore store;
  store.Open(programDirectory, albumId);
  for (const std::string& id : storeIds) {
    if (!store.Contains(id)) continue;
    check.recorded.insert(id);
    if (check.onDisk.count(id) == 0) ++check.recordedWithoutFile;
  }
  return check;
}

}  // namespace albumdl::testing
