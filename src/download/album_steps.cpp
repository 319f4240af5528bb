#include "download/album_steps.h"

#include <climits>
#include <filesystem>
#include <string>

#include "platform/files.h"

namespace albumdl {

Album::Album(DownloadContext& context, const DownloadJob& job, DownloadSummary& summary)
    : context(context), job(job), summary(summary), pictureCount(TextToInt(job.pictureCount)) {}

void AlbumStart(Album& album, const Text& storeLineEnding) {
  Window& window = album.context.window;
  window.AppendLog(window.DuplicateSwitch()
                       ? "已经勾选了防止重复下载功能,已经下载的不会再次下载\r\n\r\n"
                       : "未勾选了防止重复下载功能\r\n\r\n");
  album.store.Open(album.context.session.programDirectory, album.job.albumId, window,
                   storeLineEnding);
  window.SetPercentCaption("");
  window.SetProgress(0, 100);
  window.AppendLog("准备下载相册《" + album.job.title + "》\r\n\r\n");
}

int PageBudget(const Text& pictureCount) {
  // A count far beyond any real album would overflow the picture numbers; it
  // is cut where they still fit.
  constexpr long long kMostPages = INT_MAX / kPageSize;
  const long long pages = TextToInt(pictureCount) / kPageSize + 1;
  return static_cast<int>(pages < 1 ? 1 : (pages > kMostPages ? kMostPages : pages));
}

Text SaveRoot(DownloadContext& context) {
  const Text folder = context.window.SaveFolder();
  return folder.empty() ? context.session.programDirectory : folder;
}

void RemoveStaleTemporaries(const Text& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::directory_iterator entries(platform::NativePath(folder), error);
  if (error) return;
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 6 && name.front() == '.' && name.ends_with(".part") &&
        entry.is_regular_file(error)) {
      fs::remove(entry.path(), error);
    }
  }
}

PageText FetchPage(Pacer& pacer, const std::function<Bytes()>& fetchOnce) {
  PageText page;
  for (int attempt = 1; attempt <= kPageAttempts; ++attempt) {
    page.body = fetchOnce();
    page.text = Utf8ToAnsi(page.body);
    if (!page.text.empty()) break;
    if (!pacer.PumpingWait(kPageRetryPauseMs)) {
      page.ended = true;
      return page;
    }
  }
  page.json = JsonValue::Parse(page.body);
  page.failed = page.text.empty() || page.json.Empty();
  return page;
}

void ReportFailedPage(Album& album, int page) {
  album.context.window.AppendLog("第[" + std::to_string(page) + "]页获取失败\r\n");
  ++album.summary.failedPages;
}

void AlbumEnd(Album& album, const Text& endLine) {
  album.context.window.AppendLog(endLine);
  album.store.Close();
  album.context.window.SetPictureCaption("");
}

}  // namespace albumdl
