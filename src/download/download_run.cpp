#include "download/download_run.h"

#include <string>
#include <vector>

#include "download/board_download.h"
#include "download/download_job.h"
#include "download/keyword_download.h"

namespace albumdl {

namespace {

// Reads the ticked rows once: later changes to the list do not touch the run.
// Every ticked row is listed in selectedNumbers; only rows with an album id
// and a picture count become jobs.
std::vector<DownloadJob> CollectJobs(Window& window, Text& selectedNumbers) {
  std::vector<DownloadJob> jobs;
  for (const AlbumRow& row : window.Albums().Rows()) {
    if (!row.checked) continue;
    selectedNumbers += row.cells[kColumnSerial] + "、";
    DownloadJob job{row.cells[kColumnCount], row.cells[kColumnAlbumId],
                    TextTrim(row.cells[kColumnTitle])};
    if (!job.albumId.empty() && !job.pictureCount.empty()) jobs.push_back(std::move(job));
    window.ProcessMessages();
  }
  return jobs;
}

}  // namespace

DownloadSummary DownloadRun(DownloadContext& context) {
  Window& window = context.window;
  DownloadSummary summary;

  Text selectedNumbers;
  const std::vector<DownloadJob> jobs = CollectJobs(window, selectedNumbers);
  summary.albums = static_cast<int>(jobs.size());
  window.AppendLog(selectedNumbers.empty() ? Text("当前未选择任何相册\r\n\r\n")
                                           : "当前被选择相册编号:" + selectedNumbers + "\r\n\r\n");
  window.SetSelectedCaption("总共需下载[" + std::to_string(jobs.size()) + "]个相册");

  for (size_t j = 1; j <= jobs.size(); ++j) {
    const DownloadJob& job = jobs[j - 1];
    // Between two albums is a safe point too.
    bool goOn = context.gate.Pass();
    if (goOn) {
      window.SetAlbumCaption("下载到第[" + std::to_string(j) + "]个相册");
      goOn = TextFind(job.albumId, "关键词_") > 0 ? KeywordDownload(context, job, summary)
                                                  : BoardDownload(context, job, summary);
    }
    // An ended run stops where it is: nothing says the downloads are finished.
    if (!goOn) {
      summary.ended = true;
      return summary;
    }
  }

  if (context.gate.Ended()) {
    summary.ended = true;
    return summary;
  }
  window.SetRunButtons(RunButtons::kIdle);
  window.AppendLog("-------全部下载完毕--------\r\n\r\n");
  window.SetPictureCaption("下载完成");
  window.ShowMessage("全部下载完毕");
  return summary;
}

}  // namespace albumdl
