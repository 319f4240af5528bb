#include "download/download_run.h"

#include <string>

#include "download/album_download.h"
#include "download/picture_index.h"
#include "download/picture_lanes.h"
#include "site/album_kinds.h"
#include "views/captions.h"

namespace albumdl {

namespace {

// Every ticked album is listed in selectedNumbers and downloaded, but one
// whose answer never came right: it is neither (the retrieval said why). Such
// an album of the list, ticked or not, is counted as not downloaded, so that
// the finish never says everything was when an album never came.
std::vector<Album> CollectJobs(const std::vector<Album>& albums, Text& selectedNumbers,
                               DownloadSummary& summary) {
  std::vector<Album> jobs;
  for (const Album& album : albums) {
    if (album.failed) {
      ++summary.unansweredAlbums;
      continue;
    }
    if (!album.ticked) continue;
    selectedNumbers += std::to_string(album.serial) + "、";
    Album job = album;
    job.title = TextTrim(job.title);
    jobs.push_back(std::move(job));
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

// The index of the pictures saved under the save folders, open for the run
// when the one-copy switch is on; one that cannot be used is said once, and
// every picture is fetched as usual.
// Made before the lanes and so let go of after them.
class RunIndex {
 public:
  explicit RunIndex(DownloadContext& context) : context_(context) {
    if (!context.values.LinkDuplicatesSwitch()) return;
    if (index_.Open(context.session.programDirectory)) {
      context.pictureIndex = &index_;
    } else {
      unusable_ = true;
    }
  }
  ~RunIndex() { context_.pictureIndex = nullptr; }
  RunIndex(const RunIndex&) = delete;
  RunIndex& operator=(const RunIndex&) = delete;

  void TellWhenUnusable() {
    if (!unusable_) return;
    const Text file = PictureIndexFile(context_.session.programDirectory);
    context_.Log("相同图片索引无法使用：" + platform::ShownPath(file) +
                 "，这次每个图片都照常下载\r\n\r\n");
  }

 private:
  DownloadContext& context_;
  PictureIndex index_;
  bool unusable_ = false;
};

DownloadSummary Ended(DownloadContext& context) {
  context.summary.ended = true;
  return context.summary;
}

}  // namespace

DownloadSummary DownloadRun(DownloadContext& context, const std::vector<Album>& albums) {
  context.sync = context.values.SyncSwitch();
  RunIndex index(context);
  const RunLanes lanes(context);

  Text selectedNumbers;
  const std::vector<Album> jobs = CollectJobs(albums, selectedNumbers, context.summary);
  context.summary.albums = static_cast<int>(jobs.size());
  if (!context.Checkpoint()) return Ended(context);
  context.Log(selectedNumbers.empty() ? Text("当前未选择任何相册\r\n\r\n")
                                      : "当前被选择相册编号:" + selectedNumbers + "\r\n\r\n");
  if (!jobs.empty()) index.TellWhenUnusable();
  context.progress.albums = static_cast<int>(jobs.size());
  context.Report();

  for (size_t j = 1; j <= jobs.size(); ++j) {
    const Album& album = jobs[j - 1];
    if (!context.Checkpoint()) return Ended(context);
    context.progress.album = static_cast<int>(j);
    context.progress.albumTitle = album.title;
    context.Report();
    // An ended run stops where it is: nothing says the downloads are finished.
    if (!AlbumDownload(context, album)) return Ended(context);
  }

  // Exactly one of finish and end wins: an end confirmed in the same instant
  // either comes first (and nothing says the run finished) or finds the run
  // finished (and logs nothing).
  if (!context.Checkpoint() || !context.gate.Finish()) return Ended(context);
  context.Log(FinishCaptionsFor(context.summary).logLine);
  return context.summary;
}

}  // namespace albumdl
