// KeywordDownload: the pictures a keyword search finds, into the folder
// <save root>\<keyword>_\, search page by search page.
#pragma once

#include "download/download_job.h"
#include "download/download_run.h"

namespace albumdl {

// Returns false when the run was ended during the album; the caller then stops
// at once. Counts go into the context's summary.
bool KeywordDownload(DownloadContext& context, const DownloadJob& job);

}  // namespace albumdl
