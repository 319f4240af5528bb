// BoardDownload: every picture of one board into the folder
// <save root>\<title>相册_<board id>\, page by page, 100 pins a page.
#pragma once

#include "download/download_job.h"
#include "download/download_run.h"

namespace albumdl {

// Returns false when the run was ended during the album; the caller then stops
// at once. Counts go into the context's summary.
bool BoardDownload(DownloadContext& context, const DownloadJob& job);

// The header lines every page request of a board sends, joined by CR LF.
Text BoardHeaderBlock(const Site& site, const Text& boardId);

}  // namespace albumdl
