#include "download/album_download.h"

#include <algorithm>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "download/album_work.h"
#include "download/picture_lanes.h"
#include "download/sync_pass.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "site/album_kinds.h"
#include "text/file_helpers.h"

namespace albumdl {

AlbumWork::AlbumWork(DownloadContext& context, const Album& album)
    : context(context), album(album) {}

AlbumWork::~AlbumWork() {
  if (context.lanes != nullptr) context.lanes->Abandon(*this);
}

namespace {

bool AlbumStart(AlbumWork& work, const AlbumKind& kind);
void LogSyncStart(DownloadContext& context, const SyncPass& pass);
bool PrepareAlbumFolder(AlbumWork& work, const AlbumKind& kind);
std::vector<PagePin> NewPins(const AlbumPage& page, std::unordered_set<Text>& seen);
void ReportFailedPage(AlbumWork& work, const AlbumPage& page);
void FinishSyncPass(AlbumWork& work, SyncPass& pass, bool complete);
bool AlbumEnd(AlbumWork& work, const std::vector<Text>& endLines);

int FailuresSoFar(const DownloadSummary& summary) {
  return summary.failedPictures + summary.failedPages;
}

}  // namespace

Text AlbumFolder(const Text& saveFolder, const Text& programDirectory, const Album& album) {
  const AlbumKind* kind = FindAlbumKind(album.kind);
  if (kind == nullptr) return {};
  return (saveFolder.empty() ? programDirectory : saveFolder) + "\\" + kind->FolderName(album) +
         "\\";
}

bool AlbumDownload(DownloadContext& context, const Album& album) {
  // The pause before a board's first page runs from here: opening the store
  // and making the folder lie inside it.
  const PaceClock::time_point albumStarted = PaceClock::now();
  const AlbumKind* kind = FindAlbumKind(album.kind);
  if (kind == nullptr) return true;
  if (const std::optional<Text> refusal = kind->Refusal(album)) {
    context.Log(*refusal);
    return true;
  }

  AlbumWork work(context, album);
  if (!AlbumStart(work, *kind)) return false;
  SyncPass pass(work.store, kind->PagesNewestFirst(), context.sync);
  LogSyncStart(context, pass);
  if (!PrepareAlbumFolder(work, *kind)) return true;

  // Pages: each page's pictures go to the run's lanes; with several lanes the
  // next page is asked for while they work, with one after its pictures. A
  // pin comes once in an album: a page that brings none the album has not
  // seen ends it, whatever the count promised. A sync run stops at the page
  // that reaches the mark of the last complete pass.
  Asking asking{context.session, context.gate, context.pacer, context.values.DebugSwitch(),
                [&context](const Text& line) { context.Log(line); }};
  const std::unique_ptr<AlbumPages> pages = kind->Pages(album, asking, albumStarted);
  const int failuresBefore = FailuresSoFar(context.summary);
  std::unordered_set<Text> seen;
  long long pinsSeen = 0;
  int lastOnPage = 0;
  bool reachedMark = false;
  std::optional<AlbumPage> page = pages->Next();
  while (page) {
    if (page->ended) return false;
    if (page->failed) ReportFailedPage(work, *page);
    const int onPage = page->pins.Count();
    std::vector<PagePin> pins = NewPins(*page, seen);
    if (onPage > 0 && pins.empty()) {
      context.Log("第[" + std::to_string(page->number) +
                  "]页的图片前面都已取过，网站没有往下给出新的图片，不再往下翻页\r\n");
      lastOnPage = onPage;
      break;
    }
    lastOnPage = onPage;
    reachedMark = pass.CutAtMark(pins);
    pinsSeen += static_cast<long long>(pins.size());
    if (!context.lanes->Begin(work, pins)) return false;
    std::optional<AlbumPage> next;
    if (!work.folderDead && !reachedMark) next = pages->Next();
    if (!context.lanes->End()) return false;
    if (work.folderDead) {
      context.Log("相册文件夹无法再保存图片，跳过这个相册余下的图片\r\n\r\n");
      ++context.summary.failedAlbums;
      return true;
    }
    if (reachedMark) {
      context.Log("第[" + std::to_string(page->number) +
                  "]页已到上次完整下载的位置，不再往下翻页\r\n");
    }
    page = std::move(next);
  }
  // Complete: nothing failed, and the pages went down to the mark or to the
  // album's end: a last page short of a full one, with every pin the count
  // promised (a full last page may have had more after it).
  const long long count = album.CountOrZero();
  const bool complete = FailuresSoFar(context.summary) == failuresBefore &&
                        (reachedMark || (lastOnPage < kPageSize && pinsSeen >= count));
  if (!context.Checkpoint()) return false;
  FinishSyncPass(work, pass, complete);
  // What lies below the mark came with the last complete pass: the album is whole.
  return AlbumEnd(work, kind->EndLines(album, reachedMark ? std::max(pinsSeen, count) : pinsSeen));
}

namespace {

void LogStoreOpening(DownloadContext& context, const StoreOpening& opening,
                     const Text& lineEnding) {
  if (!opening.damagedAside.empty()) {
    context.Log("防止重复下载数据库已损坏，已改名为" + opening.damagedAside + lineEnding);
  }
  if (opening.outcome == StoreOpening::Outcome::kCreated) {
    context.Log("防止重复下载数据库创建成功" + lineEnding);
  } else if (opening.outcome == StoreOpening::Outcome::kCreateFailed) {
    context.Log("防止重复下载数据库创建失败" + lineEnding);
  } else if (opening.outcome == StoreOpening::Outcome::kUnusable) {
    // The duplicate switch is as good as off for this album: the user must know.
    context.Log(Text("防止重复下载数据库无法使用（") +
                (opening.busy ? "正被其他程序占用" : "无法读取") +
                "），这个相册的图片都会下载，也不会记下" + lineEnding);
  }
}

// Logs the duplicate option, opens the store, resets the progress and logs
// "准备下载相册《...》". False when the run was ended.
bool AlbumStart(AlbumWork& work, const AlbumKind& kind) {
  DownloadContext& context = work.context;
  if (!context.Checkpoint()) return false;
  context.Log(context.SkipsRecorded() ? "已经勾选了防止重复下载功能,已经下载的不会再次下载\r\n\r\n"
                                      : "未勾选了防止重复下载功能\r\n\r\n");
  LogStoreOpening(context, work.store.Open(context.session.programDirectory, work.album.id),
                  kind.StoreLineEnding());
  context.progress.picture = 0;
  context.progress.reached = 0;
  context.progress.pictureCount = work.album.CountOrZero();
  context.Report();
  context.Log("准备下载相册《" + work.album.title + "》\r\n\r\n");
  return true;
}

// What a sync run does with the album, said once at its start.
void LogSyncStart(DownloadContext& context, const SyncPass& pass) {
  if (!context.sync) return;
  if (!pass.Applies()) {
    context.Log("只取新图：关键词搜索的图片不按时间排列，只跳过已经下载的图片\r\n\r\n");
  } else if (pass.Mark()) {
    context.Log("只取新图：只取比上次完整下载时最新的图片[" + *pass.Mark() + "]更新的图片\r\n\r\n");
  } else {
    context.Log("只取新图：这个相册还没有完整下载过，这次翻遍每一页\r\n\r\n");
  }
}

// Moves the album's mark after a complete pass; a sync run says when it
// stays where it was.
void FinishSyncPass(AlbumWork& work, SyncPass& pass, bool complete) {
  DownloadContext& context = work.context;
  if (!pass.Finish(complete)) {
    context.Log("只取新图的位置无法记下，下次仍从上次的位置往下找\r\n");
  } else if (context.sync && pass.Applies() && !complete) {
    context.Log("这个相册这次没有完整下载，下次只取新图时仍从上次的位置往下找\r\n");
  }
}

// Removes the temporaries an interrupted earlier run left in the folder, so
// that only complete pictures stay.
void RemoveStaleTemporaries(const Text& folder) {
  platform::FileSystem& files = platform::Files();
  const platform::NativePath native = platform::NativePathOf(folder);
  for (const std::string& name : files.List(native)) {
    if (platform::IsTemporaryName(name) && files.IsFile(native / name)) files.Remove(native / name);
  }
}

// Makes the album's folder when it is missing, with two attempts (each
// outcome logged when the kind says so), and clears out stale temporaries.
// When it cannot be made the reason is logged with the path, the album counts
// as failed and the caller goes on to the next album (false).
bool PrepareAlbumFolder(AlbumWork& work, const AlbumKind& kind) {
  DownloadContext& context = work.context;
  // The save folder is read once: the album's folder and the one-copy index
  // (keyed by the folder the album's folder is in) agree on it.
  const Text saveFolder = context.values.SaveFolder();
  work.folder = AlbumFolder(saveFolder, context.session.programDirectory, work.album);
  work.saveRoot = saveFolder.empty() ? context.session.programDirectory : saveFolder;
  if (!platform::PathIsDirectoryA(work.folder)) {
    Text folder = work.folder;
    platform::FileStatus why;
    bool made = EnsureDirectory(folder, &why);
    if (kind.LogsFolderAttempts()) {
      context.Log(platform::ShownPath(work.folder) +
                  (made ? "创建成功\r\n\r\n" : "创建失败，会再次执行一次\r\n\r\n"));
    }
    if (!made) made = EnsureDirectory(folder, &why);
    if (!made) {
      // Nothing of this album could be saved: say so once, with the reason,
      // instead of fetching every picture for nothing.
      context.Log("相册文件夹无法创建：" + platform::ShownPath(work.folder) + "（" + why.Reason() +
                  "），跳过这个相册\r\n\r\n");
      ++context.summary.failedAlbums;
      return false;
    }
  }
  RemoveStaleTemporaries(work.folder);
  // Converted once for every picture of the album.
  work.nativeFolder = platform::NativePathOf(work.folder);
  return true;
}

// The page's pins the album has not had yet, each with its picture number:
// (page number - 1) * 100 + its place on the page. A site that ignores where
// the page should start gives the same pins again; they are not saved twice.
std::vector<PagePin> NewPins(const AlbumPage& page, std::unordered_set<Text>& seen) {
  std::vector<PagePin> pins;
  const int count = page.pins.Count();
  const long long first = static_cast<long long>(page.number - 1) * kPageSize;
  for (int j = 1; j <= count; ++j) {
    PagePin pin{page.pins.At(j - 1), first + j};
    if (seen.insert(TextTrim(pin.pin.Member("pin_id").Render())).second) {
      pins.push_back(std::move(pin));
    }
  }
  return pins;
}

// Logs "第[n]页获取失败", with the reason on a line of its own, and counts the page.
void ReportFailedPage(AlbumWork& work, const AlbumPage& page) {
  DownloadContext& context = work.context;
  context.Log("第[" + std::to_string(page.number) + "]页获取失败\r\n");
  if (!page.reason.empty()) context.Log("原因：" + page.reason + "\r\n");
  ++context.summary.failedPages;
}

// Logs the album's end lines, closes the store and empties the picture
// caption. False when the run was ended.
bool AlbumEnd(AlbumWork& work, const std::vector<Text>& endLines) {
  DownloadContext& context = work.context;
  if (!context.Checkpoint()) return false;
  if (work.linked > 0) {
    context.Log("有" + std::to_string(work.linked) +
                "个图片以前已经保存过，没有再下载，只存了一份\r\n");
  }
  for (const Text& line : endLines) context.Log(line);
  work.store.Close();
  context.progress.picture = 0;
  context.Report();
  return true;
}

}  // namespace

}  // namespace albumdl
