// One download run: every ticked album of the list, one after the other, each
// with BoardDownload or KeywordDownload, then the finish (run buttons back to
// idle, the last log line, the "全部下载完毕" message).
#pragma once

#include "catalogue/session.h"
#include "catalogue/window.h"
#include "text/pacer.h"

namespace albumdl {

// What a run did; the window sees it only through the log, the command line
// turns it into its exit status.
struct DownloadSummary {
  int albums = 0;          // jobs collected
  int saved = 0;           // pictures written
  int skipped = 0;         // pictures skipped as already recorded
  int failedPictures = 0;  // pictures that still failed after their attempts
  int failedPages = 0;     // pages that stayed empty after their attempts
  bool ended = false;      // ended from outside: no finish was done
};

// Everything a run works with. The gate is where pause, continue and end act.
struct DownloadContext {
  Window& window;
  Session& session;
  Pacer& pacer;
  RunGate& gate;
};

DownloadSummary DownloadRun(DownloadContext& context);

}  // namespace albumdl
