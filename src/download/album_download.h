// An album's life, the same for every kind of album: its start (the
// duplicate option, its record store, "准备下载相册《...》"), its folder, its
// pages one after the other with their pictures through the run's lanes, and
// its end. What differs between a board and a keyword search (names, pages,
// pauses, log lines) comes from its kind (site/album_kind.h).
#pragma once

#include "download/download_run.h"
#include "model/album.h"

namespace albumdl {

// Returns false when the run was ended during the album; the caller then stops
// at once. Counts go into the context's summary.
bool AlbumDownload(DownloadContext& context, const Album& album);

// The folder an album's pictures go to, with its trailing "\\": under the save
// folder, or the program directory when none is set, the name its kind gives
// it. Empty for an album of no known kind.
Text AlbumFolder(const Text& saveFolder, const Text& programDirectory, const Album& album);

}  // namespace albumdl
