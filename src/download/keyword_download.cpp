#include "download/keyword_download.h"

#include "download/album_steps.h"
#include "download/picture_step.h"
#include "net/site.h"
#include "net/winhttp_request.h"
#include "platform/files.h"
#include "text/file_helpers.h"

namespace albumdl {

bool KeywordDownload(DownloadContext& context, const DownloadJob& job) {
  Window& window = context.window;
  Session& session = context.session;

  // Album start. From the folder on, the cleaned keyword with its "_" stands
  // in for the title.
  Album album(context, job);
  if (!AlbumStart(album, "\r\n\r\n")) return false;
  const Text keywordTitle = CleanFileName(job.title) + "_";
  const int pageBudget = PageBudget(job.pictureCount);
  album.folder = SaveRoot(context) + "\\" + keywordTitle + "\\";
  if (!platform::PathIsDirectoryA(album.folder)) {
    Text folder = album.folder;
    if (EnsureDirectory(folder)) {
      window.AppendLog(album.folder + "创建成功\r\n\r\n");
    } else {
      window.AppendLog(album.folder + "创建失败，会再次执行一次\r\n\r\n");
      EnsureDirectory(folder);
    }
  }
  RemoveStaleTemporaries(album.folder);

  // Pages: numbered from 1; an empty page does not end the search, every page
  // up to the budget is asked for.
  const Text keyword = UrlEncode(keywordTitle, /*keepPlain=*/true, /*utf8=*/true);
  for (int page = 1; page <= pageBudget; ++page) {
    const Text url = SearchPageUrl(session.site, keyword, page);
    const PageText fetched = FetchPage(context, [&] {
      Text headers = kJsonRequestHeaders;
      // The answer's cookies replace the session cookies; they are collected
      // apart and put back whole, since a retrieval may use them meanwhile.
      Text returnedCookies;
      Bytes body = WinHttpRequest(url, 0, "", nullptr, &returnedCookies, &headers);
      session.sessionCookies = returnedCookies;
      return body;
    });
    if (fetched.ended) return false;
    if (fetched.failed) ReportFailedPage(album, page);
    const JsonValue pins = fetched.json.Member("pins");
    const int n = pins.Count();
    for (int j = 1; j <= n; ++j) {
      const long long pictureNumber = static_cast<long long>(page - 1) * kPageSize + j;
      if (!PictureStep(album, pins.At(j - 1), pictureNumber)) return false;
    }
  }

  return AlbumEnd(album, "---完成相册《" + keywordTitle + "》下载,有2个是广告跳过\r\n\r\n");
}

}  // namespace albumdl
