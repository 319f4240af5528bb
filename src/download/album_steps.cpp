#include "download/album_steps.h"

#include <climits>
#include <string>

#include "download/picture_lanes.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "site/fetch_attempts.h"
#include "text/file_helpers.h"

namespace albumdl {

Album::Album(DownloadContext& context, const DownloadJob& job) : context(context), job(job) {}

Album::~Album() {
  if (context.lanes != nullptr) context.lanes->Abandon(*this);
}

namespace {

void LogStoreOpening(Window& window, const StoreOpening& opening, const Text& lineEnding) {
  if (!opening.damagedAside.empty()) {
    window.AppendLog("防止重复下载数据库已损坏，已改名为" + opening.damagedAside + lineEnding);
  }
  if (opening.outcome == StoreOpening::Outcome::kCreated) {
    window.AppendLog("防止重复下载数据库创建成功" + lineEnding);
  } else if (opening.outcome == StoreOpening::Outcome::kCreateFailed) {
    window.AppendLog("防止重复下载数据库创建失败" + lineEnding);
  } else if (opening.outcome == StoreOpening::Outcome::kUnusable) {
    // The duplicate switch is as good as off for this album: the user must know.
    window.AppendLog(Text("防止重复下载数据库无法使用（") +
                     (opening.busy ? "正被其他程序占用" : "无法读取") +
                     "），这个相册的图片都会下载，也不会记下" + lineEnding);
  }
}

}  // namespace

bool AlbumStart(Album& album, const Text& storeLineEnding) {
  DownloadContext& context = album.context;
  Window& window = context.window;
  if (!context.Checkpoint()) return false;
  window.AppendLog(window.Values().DuplicateSwitch()
                       ? "已经勾选了防止重复下载功能,已经下载的不会再次下载\r\n\r\n"
                       : "未勾选了防止重复下载功能\r\n\r\n");
  LogStoreOpening(window, album.store.Open(context.session.programDirectory, album.job.albumId),
                  storeLineEnding);
  context.progress.picture = 0;
  context.progress.pictureCount = TextToInt(album.job.pictureCount);
  context.progress.share = -1;
  context.Report();
  window.AppendLog("准备下载相册《" + album.job.title + "》\r\n\r\n");
  return true;
}

int PageBudget(const Text& pictureCount) {
  // A count far beyond any real album would overflow the picture numbers; it
  // is cut where they still fit.
  constexpr long long kMostPages = INT_MAX / kPageSize;
  const long long pages = TextToInt(pictureCount) / kPageSize + 1;
  return static_cast<int>(pages < 1 ? 1 : (pages > kMostPages ? kMostPages : pages));
}

Text SaveRoot(DownloadContext& context) {
  const Text folder = context.window.Values().SaveFolder();
  return folder.empty() ? context.session.programDirectory : folder;
}

void RemoveStaleTemporaries(const Text& folder) {
  platform::FileSystem& files = platform::Files();
  const platform::NativePath native = platform::NativePathOf(folder);
  for (const std::string& name : files.List(native)) {
    if (platform::IsTemporaryName(name) && files.IsFile(native / name)) files.Remove(native / name);
  }
}

bool PrepareAlbumFolder(Album& album, FolderLog log) {
  Window& window = album.context.window;
  if (!platform::PathIsDirectoryA(album.folder)) {
    Text folder = album.folder;
    platform::FileStatus why;
    bool made = EnsureDirectory(folder, &why);
    if (log == FolderLog::kEachAttempt) {
      window.AppendLog(platform::ShownPath(album.folder) +
                       (made ? "创建成功\r\n\r\n" : "创建失败，会再次执行一次\r\n\r\n"));
    }
    if (!made) made = EnsureDirectory(folder, &why);
    if (!made) {
      // Nothing of this album could be saved: say so once, with the reason,
      // instead of fetching every picture for nothing.
      window.AppendLog("相册文件夹无法创建：" + platform::ShownPath(album.folder) + "（" +
                       why.Reason() + "），跳过这个相册\r\n\r\n");
      ++album.context.summary.failedAlbums;
      return false;
    }
  }
  RemoveStaleTemporaries(album.folder);
  // Converted once for every picture of the album.
  album.nativeFolder = platform::NativePathOf(album.folder);
  return true;
}

PageText FetchPage(DownloadContext& context, const std::function<HttpResult()>& attempt) {
  PageText page;
  JsonValue parsed;
  const Fetched fetched = FetchWithAttempts(context.gate, context.pacer, kPageAttemptPolicy,
                                            attempt, [&parsed](const HttpResult& reply) {
                                              parsed = JsonValue::Parse(reply.body);
                                              return JudgePage(reply, parsed);
                                            });
  page.ended = fetched.ended;
  page.body = fetched.reply.body;
  page.failed = !fetched.verdict.ok();
  page.reason = fetched.verdict.reason;
  // An error page whose body happens to be JSON is no page of the album.
  if (!page.failed) page.json = parsed;
  return page;
}

void ReportFailedPage(Album& album, int page, const Text& reason) {
  Window& window = album.context.window;
  window.AppendLog("第[" + std::to_string(page) + "]页获取失败\r\n");
  if (!reason.empty()) window.AppendLog("原因：" + reason + "\r\n");
  ++album.context.summary.failedPages;
}

bool AlbumEnd(Album& album, const Text& endLine) {
  DownloadContext& context = album.context;
  if (!context.Checkpoint()) return false;
  context.window.AppendLog(endLine);
  album.store.Close();
  context.progress.picture = 0;
  context.Report();
  return true;
}

}  // namespace albumdl
