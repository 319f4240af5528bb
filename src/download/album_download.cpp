#include "download/album_download.h"

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "download/album_work.h"
#include "download/picture_lanes.h"
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
bool PrepareAlbumFolder(AlbumWork& work, const AlbumKind& kind);
std::vector<PagePin> NewPins(const AlbumPage& page, std::unordered_set<Text>& seen);
void ReportFailedPage(AlbumWork& work, const AlbumPage& page);
bool AlbumEnd(AlbumWork& work, const std::vector<Text>& endLines);

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
  if (!PrepareAlbumFolder(work, *kind)) return true;

  // Pages: each page's pictures go to the run's lanes; with several lanes the
  // next page is asked for while they work, with one after its pictures. A
  // pin comes once in an album: a page that brings none the album has not
  // seen ends it, whatever the count promised.
  Asking asking{context.session, context.gate, context.pacer, context.values.DebugSwitch(),
                [&context](const Text& line) { context.Log(line); }};
  const std::unique_ptr<AlbumPages> pages = kind->Pages(album, asking, albumStarted);
  std::unordered_set<Text> seen;
  long long pinsSeen = 0;
  std::optional<AlbumPage> page = pages->Next();
  while (page) {
    if (page->ended) return false;
    if (page->failed) ReportFailedPage(work, *page);
    const int onPage = page->pins.Count();
    const std::vector<PagePin> pins = NewPins(*page, seen);
    if (onPage > 0 && pins.empty()) {
      context.Log("第[" + std::to_string(page->number) +
                  "]页的图片前面都已取过，网站没有往下给出新的图片，不再往下翻页\r\n");
      break;
    }
    pinsSeen += static_cast<long long>(pins.size());
    if (!context.lanes->Begin(work, pins)) return false;
    std::optional<AlbumPage> next;
    if (!work.folderDead) next = pages->Next();
    if (!context.lanes->End()) return false;
    if (work.folderDead) {
      context.Log("相册文件夹无法再保存图片，跳过这个相册余下的图片\r\n\r\n");
      ++context.summary.failedAlbums;
      return true;
    }
    page = std::move(next);
  }
  return AlbumEnd(work, kind->EndLines(album, pinsSeen));
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
  context.Log(context.values.DuplicateSwitch()
                  ? "已经勾选了防止重复下载功能,已经下载的不会再次下载\r\n\r\n"
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
  work.folder =
      AlbumFolder(context.values.SaveFolder(), context.session.programDirectory, work.album);
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
  for (const Text& line : endLines) context.Log(line);
  work.store.Close();
  context.progress.picture = 0;
  context.Report();
  return true;
}

}  // namespace

}  // namespace albumdl
