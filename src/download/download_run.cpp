#include "download/download_run.h"

#include <string>

#include "download/board_download.h"
#include "download/download_job.h"
#include "download/keyword_download.h"
#include "download/picture_lanes.h"
#include "views/captions.h"

namespace albumdl {

namespace {

// Every ticked row is listed in selectedNumbers; only rows with an album id and
// a picture count become jobs.
std::vector<DownloadJob> CollectJobs(const std::vector<AlbumRow>& rows, Text& selectedNumbers) {
  std::vector<DownloadJob> jobs;
  for (const AlbumRow& row : rows) {
    if (!row.checked) continue;
    selectedNumbers += row.cells[kColumnSerial] + "、";
    DownloadJob job{row.cells[kColumnCount], row.cells[kColumnAlbumId],
                    TextTrim(row.cells[kColumnTitle])};
    if (!job.albumId.empty() && !job.pictureCount.empty()) jobs.push_back(std::move(job));
  }
  return jobs;
}

// The run's lanes, started once so that each keeps its connection from album
// to album, and known to the albums through the context while the run lasts.
class RunLanes {
 public:
  explicit RunLanes(DownloadContext& context)
      : context_(context), lanes_(context, context.pictureLanes) {
    context.lanes = &lanes_;
  }
  ~RunLanes() { context_.lanes = nullptr; }
  RunLanes(const RunLanes&) = delete;
  RunLanes& operator=(const RunLanes&) = delete;

 private:
  DownloadContext& context_;
  PictureLanes lanes_;
};

DownloadSummary Ended(DownloadContext& context) {
  context.summary.ended = true;
  return context.summary;
}

}  // namespace

DownloadSummary DownloadRun(DownloadContext& context, const std::vector<AlbumRow>& rows) {
  Window& window = context.window;
  const RunLanes lanes(context);

  Text selectedNumbers;
  const std::vector<DownloadJob> jobs = CollectJobs(rows, selectedNumbers);
  context.summary.albums = static_cast<int>(jobs.size());
  if (!context.Checkpoint()) return Ended(context);
  window.AppendLog(selectedNumbers.empty() ? Text("当前未选择任何相册\r\n\r\n")
                                           : "当前被选择相册编号:" + selectedNumbers + "\r\n\r\n");
  context.progress.albums = static_cast<int>(jobs.size());
  context.Report();

  for (size_t j = 1; j <= jobs.size(); ++j) {
    const DownloadJob& job = jobs[j - 1];
    if (!context.Checkpoint()) return Ended(context);
    context.progress.album = static_cast<int>(j);
    context.progress.albumTitle = job.title;
    context.Report();
    const bool goOn = TextFind(job.albumId, "关键词_") > 0 ? KeywordDownload(context, job)
                                                           : BoardDownload(context, job);
    // An ended run stops where it is: nothing says the downloads are finished.
    if (!goOn) return Ended(context);
  }

  // Exactly one of finish and end wins: an end confirmed in the same instant
  // either comes first (and nothing says the run finished) or finds the run
  // finished (and logs nothing).
  if (!context.Checkpoint() || !context.gate.Finish()) return Ended(context);
  window.AppendLog("-------全部下载完毕--------\r\n\r\n");
  context.progress.finished = true;
  context.Report();
  window.Notify("全部下载完毕", kMessageTitle);
  return context.summary;
}

}  // namespace albumdl
