#include "site/keyword_album.h"

#include <string>

#include "net/winhttp_request.h"
#include "site/album_answers.h"
#include "site/fetch_attempts.h"
#include "site/site.h"
#include "text/file_helpers.h"
#include "text/safe_name.h"

namespace albumdl {

const Text kKeywordPrefix = "关键词_";

namespace {

// A search ends after this many pages in a row without pins.
constexpr int kMostPagesWithoutPins = 3;

// The cleaned keyword with its "_", as the folder and the search pages have it.
Text KeywordTitle(const Album& album) { return CleanFileName(album.title) + "_"; }

// The pages of one search: numbered from 1, one second apart; an empty page
// does not end the search, but a total the site made up (a count of 400
// digits) must not send millions of page requests: three pages in a row
// without pins end it.
class KeywordPages : public AlbumPages {
 public:
  KeywordPages(const Album& album, Asking& asking)
      : asking_(asking),
        budget_(PageBudget(album.CountOrZero())),
        keyword_(UrlEncode(KeywordTitle(album), /*keepPlain=*/true, /*utf8=*/true)) {}

  std::optional<AlbumPage> Next() override {
    if (page_ >= budget_) return std::nullopt;
    if (pagesWithoutPins_ == kMostPagesWithoutPins) {
      asking_.log("连续" + std::to_string(kMostPagesWithoutPins) + "页没有图片，不再往下翻页\r\n");
      return std::nullopt;
    }
    AlbumPage page;
    page.number = ++page_;
    if (page.number > 1 && !asking_.pacer.PumpingWait(kPagePauseMs)) {
      page.ended = true;
      return page;
    }
    Session& session = asking_.session;
    const Text url = SearchPageUrl(session.site, keyword_, page.number);
    const FetchedPage fetched = FetchPage(asking_.gate, asking_.pacer, [&] {
      // The session's cookies go with every page, and what an answer sets goes
      // into the jar: a signed-in run stays signed in.
      return WinHttpRequest({.url = url,
                             .headers = kJsonRequestHeaders,
                             .limits = kPageLimits,
                             .jar = &session.cookies});
    });
    page.ended = fetched.ended;
    page.failed = fetched.failed;
    page.reason = fetched.reason;
    page.pins = fetched.json.Member("pins");
    pagesWithoutPins_ = page.pins.Count() == 0 ? pagesWithoutPins_ + 1 : 0;
    return page;
  }

 private:
  Asking& asking_;
  const int budget_;
  const Text keyword_;
  int page_ = 0;
  int pagesWithoutPins_ = 0;
};

class Keyword : public AlbumKind {
 public:
  const Text& Name() const override {
    static const Text name = "keyword";
    return name;
  }

  Text LineForm(const Site&) const override { return "a search address (.../search/?q=WORD)"; }

  // A search line is asked for exactly as typed.
  LineReading ReadLine(const Text& line, const Site&) const override {
    LineReading reading;
    if (TextFind(line, "search/?q") == -1) return reading;
    reading.verdict = LineReading::Verdict::kMine;
    reading.key = line;
    return reading;
  }

  // The search as it was typed: the line is its address.
  Text PageAddress(const Album& album, const Site&) const override { return TextTrim(album.line); }

  // The search's answer is asked for without cookies of its own.
  std::optional<Album> Answer(const Text& address, Asking& asking) const override {
    const FetchedPage fetched = FetchPage(asking.gate, asking.pacer, [&] {
      return WinHttpRequest(
          {.url = address, .headers = kJsonRequestHeaders, .limits = kPageLimits});
    });
    if (fetched.ended) return std::nullopt;
    Album album;
    album.kind = Name();
    ReadSearchAnswer(fetched, album);
    album.id = kKeywordPrefix + album.title;
    return album;
  }

  std::optional<Text> Refusal(const Album&) const override { return std::nullopt; }

  Text StoreLineEnding() const override { return "\r\n\r\n"; }

  // A keyword too long for one name gives a shortened folder; the search
  // still asks for the whole keyword.
  Text FolderName(const Album& album) const override {
    return FitFolderName(CleanFileName(album.title), "_");
  }

  bool LogsFolderAttempts() const override { return true; }

  bool PagesNewestFirst() const override { return false; }

  std::unique_ptr<AlbumPages> Pages(const Album& album, Asking& asking,
                                    PaceClock::time_point) const override {
    return std::make_unique<KeywordPages>(album, asking);
  }

  std::vector<Text> EndLines(const Album& album, long long) const override {
    return {"---完成相册《" + KeywordTitle(album) + "》下载,有2个是广告跳过\r\n\r\n"};
  }
};

}  // namespace

const AlbumKind& KeywordAlbum() {
  static const Keyword kind;
  return kind;
}

}  // namespace albumdl
