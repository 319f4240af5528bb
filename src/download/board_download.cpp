#include "download/board_download.h"

#include <utility>

#include "download/album_steps.h"
#include "download/picture_lanes.h"
#include "net/web_request.h"
#include "platform/files.h"
#include "site/site.h"
#include "text/file_helpers.h"
#include "text/safe_name.h"

namespace albumdl {

Text BoardHeaderBlock(const Site& site, const Text& boardId) {
  // No Host line: the address names the host, and a Host line of its own would
  // follow a redirect to another host. No Cookie line: the session's jar gives
  // every page the cookies of the moment (a sign-in or sign-out in the viewer
  // reaches the next page).
  const Text lines[] = {
      "Accept: application/json",
      "X-Requested-With: XMLHttpRequest",
      "X-Request: JSON",
      "Referer: " + site.siteHost + "/boards/" + boardId + "/",
      "Accept-Language: zh-cn",
      "User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.1; WOW64; Trident/5.0; SLCC2; "
      ".NET CLR 2.0.50727; .NET CLR 3.5.30729; .NET CLR 3.0.30729; Media Center PC 6.0; "
      ".NET4.0C; .NET4.0E; InfoPath.2)",
      "Connection: Keep-Alive",
      "Cache-Control: no-cache",
  };
  Text block;
  for (const Text& line : lines) {
    if (!block.empty()) block += "\r\n";
    block += line;
  }
  return block;
}

bool BoardDownload(DownloadContext& context, const DownloadJob& job) {
  Window& window = context.window;
  Session& session = context.session;
  // The pause before the first page runs from here: opening the store and
  // making the folder lie inside it.
  const PaceClock::time_point albumStarted = PaceClock::now();
  // The board id names the album folder; one that could reach outside the save
  // folder is not downloaded at all.
  if (!IsSafeBoardId(job.albumId)) {
    window.AppendLog("相册《" + job.title + "》的相册ID不对，已跳过\r\n\r\n");
    return true;
  }

  // Album start.
  Album album(context, job);
  if (!AlbumStart(album, "\r\n")) return false;
  // A title too long for one name is shortened; the album id stays whole.
  const Text folderName = FitFolderName(CleanFileName(job.title), "相册_" + job.albumId);
  const Text folderTitle = folderName.substr(0, folderName.size() - job.albumId.size() - 1);
  const int pageBudget = PageBudget(job.pictureCount);
  album.folder = SaveRoot(context) + "\\" + folderName + "\\";
  if (!PrepareAlbumFolder(album, FolderLog::kSilent)) return true;
  // Built once: WebRequest completes it with its default lines, and later pages
  // send the completed block.
  Text headerBlock = BoardHeaderBlock(session.site, job.albumId);
  if (!context.pacer.PumpingWaitSince(albumStarted, kPagePauseMs)) return false;

  // Pages: each asks for the pins after the last pin of the page before. The
  // page's pictures go to the run's lanes; with several lanes the next page is
  // asked for while they work, with one after its pictures, as always.
  Text lastPinId;
  long long pinsSeen = 0;
  const auto fetchPage = [&] {
    const Text url = BoardPageUrl(session.site, job.albumId, lastPinId);
    return FetchPage(context, [&] {
      HttpResult reply = WebRequest(
          {.url = url, .headers = headerBlock, .limits = kPageLimits, .jar = &session.cookies});
      headerBlock = reply.sentHeaders;
      return reply;
    });
  };
  PageText fetched = fetchPage();
  for (int page = 1; page <= pageBudget; ++page) {
    if (fetched.ended) return false;
    if (window.Values().DebugSwitch()) {
      // Decoded to code page 936 only for the debug copy.
      platform::WriteWholeFile(session.programDirectory + "\\jsonhtml.txt",
                               Utf8ToAnsi(fetched.body));
    }
    const JsonValue pins = fetched.json.Member("board").Member("pins");
    const int n = pins.Count();
    // A page without pins is the end of the board, but a page that never came
    // is reported, not taken for the end.
    if (n == 0) {
      if (fetched.failed) ReportFailedPage(album, page, fetched.reason);
      break;
    }
    pinsSeen += n;
    lastPinId = TextTrim(pins.At(n - 1).Member("pin_id").Render());
    if (!context.lanes->Begin(album, pins, static_cast<long long>(page - 1) * kPageSize))
      return false;
    PageText next;
    if (page < pageBudget) next = fetchPage();
    if (!context.lanes->End()) return false;
    fetched = std::move(next);
  }

  // Fewer pins than the count promised: the site ended the board early, or a
  // page failed. The user should know the album may not be whole.
  const long long count = TextToInt(job.pictureCount);
  if (pinsSeen < count) {
    window.AppendLog("相册《" + job.title + "》只取到" + std::to_string(pinsSeen) +
                     "个图片，少于图片数量" + std::to_string(count) + "\r\n");
  }
  return AlbumEnd(album, "---完成相册《" + folderTitle + "》下载\r\n\r\n");
}

}  // namespace albumdl
