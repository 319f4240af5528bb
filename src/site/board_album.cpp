#include "site/board_album.h"

#include <string>

#include "net/web_request.h"
#include "net/winhttp_request.h"
#include "platform/files.h"
#include "site/album_answers.h"
#include "site/fetch_attempts.h"
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

namespace {

// The pages of one board: each asks for the pins after the last pin of the
// page before; a page without pins (or one that never came) is the board's
// end.
class BoardPages : public AlbumPages {
 public:
  BoardPages(const Album& album, Asking& asking, PaceClock::time_point albumStarted)
      : album_(album),
        asking_(asking),
        albumStarted_(albumStarted),
        budget_(PageBudget(album.CountOrZero())),
        // Built once: WebRequest completes it with its default lines, and
        // later pages send the completed block.
        headerBlock_(BoardHeaderBlock(asking.session.site, album.id)) {}

  std::optional<AlbumPage> Next() override {
    if (page_ >= budget_ || (page_ > 0 && lastPins_ == 0)) return std::nullopt;
    AlbumPage page;
    page.number = ++page_;
    // The pause before the first page runs from the album's start: opening
    // its store and making its folder lie inside it.
    if (page.number == 1 && !asking_.pacer.PumpingWaitSince(albumStarted_, kPagePauseMs)) {
      page.ended = true;
      return page;
    }
    const Text url = BoardPageUrl(asking_.session.site, album_.id, lastPinId_);
    const FetchedPage fetched = FetchPage(asking_.gate, asking_.pacer, [&] {
      HttpResult reply = WebRequest({.url = url,
                                     .headers = headerBlock_,
                                     .limits = kPageLimits,
                                     .jar = &asking_.session.cookies});
      headerBlock_ = reply.sentHeaders;
      return reply;
    });
    page.ended = fetched.ended;
    page.failed = fetched.failed;
    page.reason = fetched.reason;
    if (asking_.debugCopies && !fetched.ended) {
      // Decoded to code page 936 only for the debug copy.
      platform::WriteWholeFile(asking_.session.programDirectory + "\\jsonhtml.txt",
                               Utf8ToAnsi(fetched.body));
    }
    page.pins = fetched.json.Member("board").Member("pins");
    lastPins_ = page.pins.Count();
    if (lastPins_ > 0) lastPinId_ = TextTrim(page.pins.At(lastPins_ - 1).Member("pin_id").Render());
    return page;
  }

 private:
  const Album& album_;
  Asking& asking_;
  const PaceClock::time_point albumStarted_;
  const int budget_;
  Text headerBlock_;
  int page_ = 0;
  int lastPins_ = 0;
  Text lastPinId_;
};

class Board : public AlbumKind {
 public:
  const Text& Name() const override {
    static const Text name = "board";
    return name;
  }

  Text LineForm(const Site& site) const override {
    return "a board address (" + SiteHostName(site) + "/boards/ID/)";
  }

  // The board id is the text after the site's board marker up to the next
  // "/". It names a folder, a record store and part of a request path, so an
  // id that is anything but letters, digits, "-" and "_" is no id.
  LineReading ReadLine(const Text& line, const Site& site) const override {
    const Text marker = BoardLineMarker(site);
    LineReading reading;
    if (TextFind(line, marker) == -1) return reading;
    const Text id = TextBetween(line, marker, "/");
    if (IsSafeBoardId(id)) {
      reading.verdict = LineReading::Verdict::kMine;
      reading.key = id;
    } else {
      reading.verdict = LineReading::Verdict::kUnusable;
      reading.why = "no board id (letters, digits, - and _) followed by \"/\" after " + marker;
    }
    return reading;
  }

  Text PageAddress(const Album& album, const Site& site) const override {
    return BoardAnswerUrl(site, album.id);
  }

  // The board's answer goes with the session's cookies, and what the site
  // sets goes into the jar for the requests after it.
  std::optional<Album> Answer(const Text& boardId, Asking& asking) const override {
    Session& session = asking.session;
    const FetchedPage fetched = FetchPage(asking.gate, asking.pacer, [&] {
      return WinHttpRequest({.url = BoardAnswerUrl(session.site, boardId),
                             .headers = kJsonRequestHeaders,
                             .limits = kPageLimits,
                             .jar = &session.cookies});
    });
    if (fetched.ended) return std::nullopt;
    if (asking.debugCopies) {
      platform::WriteWholeFile(session.programDirectory + "\\json.txt", Utf8ToAnsi(fetched.body));
    }

    Album album;
    album.kind = Name();
    album.id = boardId;
    ReadBoardAnswer(fetched, album);
    return album;
  }

  std::optional<Text> Refusal(const Album& album) const override {
    if (IsSafeBoardId(album.id)) return std::nullopt;
    return "相册《" + album.title + "》的相册ID不对，已跳过\r\n\r\n";
  }

  Text StoreLineEnding() const override { return "\r\n"; }

  // A title too long for one name is shortened; the board id stays whole.
  Text FolderName(const Album& album) const override {
    return FitFolderName(CleanFileName(album.title), "相册_" + album.id);
  }

  bool LogsFolderAttempts() const override { return false; }

  bool PagesNewestFirst() const override { return true; }

  std::unique_ptr<AlbumPages> Pages(const Album& album, Asking& asking,
                                    PaceClock::time_point albumStarted) const override {
    return std::make_unique<BoardPages>(album, asking, albumStarted);
  }

  // Fewer pins than the count promised: the site ended the board early, or a
  // page failed. The user should know the album may not be whole.
  std::vector<Text> EndLines(const Album& album, long long pinsSeen) const override {
    std::vector<Text> lines;
    const long long count = album.CountOrZero();
    if (pinsSeen < count) {
      lines.push_back("相册《" + album.title + "》只取到" + std::to_string(pinsSeen) +
                      "个图片，少于图片数量" + std::to_string(count) + "\r\n");
    }
    const Text folderName = FolderName(album);
    const Text folderTitle = folderName.substr(0, folderName.size() - album.id.size() - 1);
    lines.push_back("---完成相册《" + folderTitle + "》下载\r\n\r\n");
    return lines;
  }
};

}  // namespace

const AlbumKind& BoardAlbum() {
  static const Board kind;
  return kind;
}

}  // namespace albumdl
