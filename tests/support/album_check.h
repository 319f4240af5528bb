// What a reliability test checks after every run, however it ended: each
// picture in an album folder is exactly what the site serves, no temporary is
// left, and every id in the album's record store has its complete picture.
#pragma once

#include <functional>
#include <set>
#include <string>

#include "text/text.h"

namespace albumdl::testing {

struct AlbumCheck {
  int pictures = 0;                // complete pictures in the folder
  int corrupted = 0;               // files that are not what the site serves
  int temporaries = 0;             // hidden files: half-written ones left behind
  int recordedWithoutFile = 0;     // ids in the store without their complete picture
  std::set<std::string> recorded;  // the ids in the store
  std::set<std::string> onDisk;    // the photo ids of the pictures in the folder
};

// nativeFolder: the album folder; storeIds: the ids the test looks for in the
// store; servedBytes: what the site serves for a photo id.
AlbumCheck CheckAlbum(const std::string& nativeFolder, const Text& programDirectory,
                      const Text& albumId, const std::set<std::string>& storeIds,
                      const std::function<std::string(const std::string& photoId)>& servedBytes);

}  // namespace albumdl::testing
