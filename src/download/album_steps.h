// What the board download and the keyword download share around their pages:
// the album start, fetching a page with its attempts, and the album end. The
// step for one picture is in picture_step.h.
#pragma once

#include <functional>

#include "download/download_job.h"
#include "download/download_run.h"
#include "download/duplicate_store.h"
#include "net/http_result.h"
#include "platform/native_path.h"
#include "site/json_value.h"

namespace albumdl {

inline constexpr int kPageSize = 100;
inline constexpr int kPageAttempts = 10;
inline constexpr int kPageRetryPauseMs = 2000;
// Before the first page of a board, and between the pages of a search.
inline constexpr int kPagePauseMs = 1000;
// A search ends after this many pages in a row without pins.
inline constexpr int kMostPagesWithoutPins = 3;

// The working state of one album, from its start to its end.
struct Album {
  Album(DownloadContext& context, const DownloadJob& job);
  // An album left in the middle of a page (a fault) is ended, and waited for,
  // on every lane.
  ~Album();
  Album(const Album&) = delete;
  Album& operator=(const Album&) = delete;

  DownloadContext& context;
  const DownloadJob& job;
  Text folder;                        // where the pictures go, ending in "\"
  platform::NativePath nativeFolder;  // the same as the system names it, once it is made
  DuplicateStore store;               // open from the album start to the album end
  bool saveFailureLogged = false;     // a picture could not be written: said once
  bool recordFailureLogged = false;   // an id could not be recorded: said once
};

// Logs the duplicate option, opens the store (its creation lines end with
// storeLineEnding), resets the progress and logs "准备下载相册《...》". False
// when the run was ended.
bool AlbumStart(Album& album, const Text& storeLineEnding);

// Pages to ask for: the picture count / 100 + 1.
int PageBudget(const Text& pictureCount);
// The save folder of the window, else ProgramDirectory.
Text SaveRoot(DownloadContext& context);
// Removes the temporaries an interrupted earlier run left in the folder, so
// that only complete pictures stay.
void RemoveStaleTemporaries(const Text& folder);

// How the album folder's making is told: silently (boards) or each outcome
// logged (keyword albums: "...创建成功", "...创建失败，会再次执行一次").
enum class FolderLog { kSilent, kEachAttempt };
// Makes album.folder when it is missing, with two attempts, and clears out
// stale temporaries. When it cannot be made the reason is logged with the
// path, the album counts as failed and the caller goes on to the next album
// (false).
bool PrepareAlbumFolder(Album& album, FolderLog log);

struct PageText {
  Bytes body;           // the last answer's body as it came (UTF-8)
  JsonValue json;       // the page, when it came (empty when it failed)
  bool failed = false;  // no good answer after every attempt, or given up
  Text reason;          // why, for the log
  bool ended = false;   // the run was ended meanwhile
};
// Fetches a page with up to 10 attempts, 2000 ms apart, until an answer is
// good; a 404 or a refused sign-in is not asked for again.
PageText FetchPage(DownloadContext& context, const std::function<HttpResult()>& attempt);
// Logs "第[n]页获取失败", with the reason on a line of its own, and counts the page.
void ReportFailedPage(Album& album, int page, const Text& reason);

// Logs endLine, closes the store and empties the picture caption. False when
// the run was ended.
bool AlbumEnd(Album& album, const Text& endLine);

}  // namespace albumdl
