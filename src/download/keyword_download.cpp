#include "download/keyword_download.h"

#include "download/album_steps.h"
#include "download/picture_lanes.h"
#include "net/winhttp_request.h"
#include "platform/files.h"
#include "site/site.h"
#include "text/file_helpers.h"
#include "text/safe_name.h"

namespace albumdl {

bool KeywordDownload(DownloadContext& context, const DownloadJob& job) {
  Session& session = context.session;

  // Album start. From the folder on, the cleaned keyword with its "_" stands
  // in for the title.
  Album album(context, job);
  if (!AlbumStart(album, "\r\n\r\n")) return false;
  const Text keywordTitle = CleanFileName(job.title) + "_";
  const int pageBudget = PageBudget(job.pictureCount);
  // A keyword too long for one name gives a shortened folder; the search still
  // asks for the whole keyword.
  album.folder = SaveRoot(context) + "\\" + FitFolderName(CleanFileName(job.title), "_") + "\\";
  if (!PrepareAlbumFolder(album, FolderLog::kEachAttempt)) return true;

  // Pages: numbered from 1; an empty page does not end the search. But a total
  // the site made up (a count of 400 digits) must not send millions of page
  // requests: three pages in a row without pins end it, and the pages are
  // paced like a board's.
  const Text keyword = UrlEncode(keywordTitle, /*keepPlain=*/true, /*utf8=*/true);
  int pagesWithoutPins = 0;
  for (int page = 1; page <= pageBudget; ++page) {
    if (page > 1 && !context.pacer.PumpingWait(kPagePauseMs)) return false;
    const Text url = SearchPageUrl(session.site, keyword, page);
    const PageText fetched = FetchPage(context, [&] {
      // The session's cookies go with every page, and what an answer sets goes
      // into the jar: a signed-in run stays signed in.
      return WinHttpRequest({.url = url,
                             .headers = kJsonRequestHeaders,
                             .limits = kPageLimits,
                             .jar = &session.cookies});
    });
    if (fetched.ended) return false;
    if (fetched.failed) ReportFailedPage(album, page, fetched.reason);
    const JsonValue pins = fetched.json.Member("pins");
    const int n = pins.Count();
    const long long firstNumber = static_cast<long long>(page - 1) * kPageSize;
    if (!context.lanes->Begin(album, pins, firstNumber) || !context.lanes->End()) return false;
    pagesWithoutPins = n == 0 ? pagesWithoutPins + 1 : 0;
    if (pagesWithoutPins == kMostPagesWithoutPins && page < pageBudget) {
      context.window.AppendLog("连续" + std::to_string(kMostPagesWithoutPins) +
                               "页没有图片，不再往下翻页\r\n");
      break;
    }
  }

  return AlbumEnd(album, "---完成相册《" + keywordTitle + "》下载,有2个是广告跳过\r\n\r\n");
}

}  // namespace albumdl
