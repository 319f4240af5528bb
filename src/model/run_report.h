// What a download run tells the window about itself: its state, where it
// stands, and what it did. Typed, so that no front end reads numbers back out
// of captions; captions.h turns a RunProgress into the texts the user reads.
#pragma once

#include "text/text.h"

namespace albumdl {

// The one state of the download run, owned by the worker control. The run
// buttons show it: idle (下载选中), running (暂停线程, 结束下载), paused (继续下载,
// 结束下载). Ending lasts from a confirmed end until the run's thread is out;
// it looks like idle, but a new run cannot start yet.
enum class RunState { kIdle, kRunning, kPaused, kEnding };

// Where a run stands. The run sends the whole of it with every change.
struct RunProgress {
  int albums = -1;             // albums the run will download; -1 until collected
  int album = 0;               // 1-based album in hand; 0 before the first
  Text albumTitle;             // its title, blanks trimmed
  long long picture = 0;       // its picture number in hand; 0 at its start and end
  long long pictureCount = 0;  // its picture count as a number: 100 % of the bar
  // The album's share done, as the progress bar stores it (0 to 32767; above
  // 100 when the site has more pictures than its count said); -1 while none
  // is shown.
  int share = -1;
  bool finished = false;  // the run went through to its finish
};

// What a run did. The window only shows the log; the command line turns this
// into its exit status.
struct DownloadSummary {
  int albums = 0;          // albums collected
  int saved = 0;           // pictures written
  int skipped = 0;         // pictures skipped as already recorded
  int failedPictures = 0;  // pictures that failed for good
  int failedPages = 0;     // pages that failed for good
  int failedAlbums = 0;    // albums that could not be started (no folder for them)
  bool ended = false;      // ended from outside (or by a fault): no finish was done
};

}  // namespace albumdl
