// The working state of one album, from its start to its end: what the album's
// life (album_download.cpp) and its pictures (picture_step.h, the lanes)
// share.
#pragma once

#include "download/download_run.h"
#include "download/duplicate_store.h"
#include "model/album.h"
#include "platform/native_path.h"

namespace albumdl {

struct AlbumWork {
  AlbumWork(DownloadContext& context, const Album& album);
  // An album left in the middle of a page (a fault) is ended, and waited for,
  // on every lane.
  ~AlbumWork();
  AlbumWork(const AlbumWork&) = delete;
  AlbumWork& operator=(const AlbumWork&) = delete;

  DownloadContext& context;
  const Album& album;
  Text saveRoot;                      // the save folder the album's folder is in
  Text folder;                        // where the pictures go, ending in "\"
  platform::NativePath nativeFolder;  // the same as the system names it, once it is made
  DuplicateStore store;               // open from the album start to the album end
  bool recordFailureLogged = false;   // an id could not be recorded: said once
  int linked = 0;                     // pictures saved as a second name of a saved copy
  // A picture could not be written for a reason that would fail every other
  // (the folder is gone, the disk is full, it became read-only): the album
  // takes no more pins.
  bool folderDead = false;
  bool folderDeathTold = false;  // the failure that found it dead is in the log
};

}  // namespace albumdl
