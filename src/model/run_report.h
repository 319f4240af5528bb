// What a download run tells about itself: its state, where it stands, and
// what it did. Typed, so that no front end reads numbers back out of captions;
// views/captions.h turns them into the texts the user reads.
#pragma once

#include "text/text.h"

namespace albumdl {

// The one state of the download run, owned by the worker control. The run
// buttons show it: idle (下载选中), running (暂停线程, 结束下载), paused (继续下载,
// 结束下载). Ending lasts from a confirmed end until the run's thread is out;
// it looks like idle, but a new run cannot start yet.
enum class RunState { kIdle, kRunning, kPaused, kEnding };

// The most pictures of an album a run fetches at once (its lanes).
inline constexpr int kMostPictureLanes = 16;

// Where a run stands. The run sends the whole of it with every change.
struct RunProgress {
  int albums = -1;             // albums the run will download; -1 until collected
  int album = 0;               // 1-based album in hand; 0 before the first
  Text albumTitle;             // its title, blanks trimmed
  long long picture = 0;       // its picture number in hand; 0 at its start and end
  long long pictureCount = 0;  // its picture count as the site gave it; 0 when unknown
  // The picture the album's share stands at: the last one taken, kept after
  // the album's end until the next album starts; 0 while nothing was taken.
  long long reached = 0;
};

// What a run did: the finish the user reads, and the command line's exit
// status, come from this.
struct DownloadSummary {
  int albums = 0;          // albums collected
  int saved = 0;           // pictures written
  int linked = 0;          // of them: a saved copy's second name (or a copy), not fetched
  int skipped = 0;         // pictures skipped as already recorded
  int failedPictures = 0;  // pictures that failed for good
  int failedPages = 0;     // pages that failed for good
  // Albums that could not be downloaded: no folder for them, or their folder
  // stopped taking pictures.
  int failedAlbums = 0;
  // Albums of the list whose answer never came right: not downloaded at all.
  int unansweredAlbums = 0;
  bool ended = false;  // ended from outside (or by a fault): no finish was done

  bool AnythingFailed() const {
    return failedPictures > 0 || failedPages > 0 || failedAlbums > 0 || unansweredAlbums > 0;
  }
};

}  // namespace albumdl
