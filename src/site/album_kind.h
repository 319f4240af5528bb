// One kind of album the site offers (a board, a keyword search): what its
// input lines look like, how its answer is asked for and read into an Album,
// how its folder and record store are named, and how its pages are asked for
// one after the other. The retrieval and the download know albums only
// through this; they write an album's life once for every kind. A new kind
// of album is one new file and one line in album_kinds.cpp.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "control/pacer.h"
#include "control/run_gate.h"
#include "model/album.h"
#include "session/session.h"
#include "site/json_value.h"
#include "text/text.h"

namespace albumdl {

// What a kind makes of one input line.
struct LineReading {
  enum class Verdict {
    kNotMine,   // another kind's line, or none at all
    kMine,      // an album of this kind: key says which
    kUnusable,  // meant for this kind, but nothing can be asked with it
  };
  Verdict verdict = Verdict::kNotMine;
  Text key;  // kMine: what its answer is asked with (a board id, a search address)
  Text why;  // kUnusable: what is wrong with it, in English (the command line says it)
};

// What asking the site takes: the session (its addresses, its cookie jar and
// its program folder), the gate that holds and ends the work, the pacer of its
// pauses. log takes the lines a kind has to say on its own (code page 936).
struct Asking {
  Session& session;
  RunGate& gate;
  Pacer& pacer;
  bool debugCopies = false;  // 选择框_调试: keep debug copies of answers and pages
  std::function<void(const Text&)> log;
};

// One page of an album's pins.
struct AlbumPage {
  int number = 0;       // from 1
  JsonValue pins;       // the page's pins, an array (empty when it failed)
  bool failed = false;  // no good answer after every attempt, or given up
  Text reason;          // why, for the log
  bool ended = false;   // the work was ended meanwhile
};

// An album's pages, asked for one after the other.
class AlbumPages {
 public:
  virtual ~AlbumPages() = default;
  // Asks for the next page, pausing as the kind paces its pages; nothing when
  // the album has no more (its page budget is spent, or the page before ended
  // it as this kind's pages end).
  virtual std::optional<AlbumPage> Next() = 0;
};

// What the kinds' pages share: 100 pins asked for a page, the page budget
// of an album, the pause before a board's first page and between a search's
// pages.
inline constexpr int kPageSize = 100;
inline constexpr int kPagePauseMs = 1000;
// Pages to ask for: the picture count / 100 + 1 (a count far beyond any
// real album is cut where the picture numbers still fit).
int PageBudget(long long pictureCount);

class AlbumKind {
 public:
  virtual ~AlbumKind() = default;

  // The name albums of this kind carry (Album::kind).
  virtual const Text& Name() const = 0;
  // What such a line looks like, in English, for the command line's messages.
  virtual Text LineForm(const Site& site) const = 0;
  virtual LineReading ReadLine(const Text& line, const Site& site) const = 0;
  // Where a browser shows the album on the site.
  virtual Text PageAddress(const Album& album, const Site& site) const = 0;

  // Asks for the album's answer and reads it into an album of this kind:
  // id, title, picture count, or why it failed. Nothing when the work was
  // ended meanwhile.
  virtual std::optional<Album> Answer(const Text& key, Asking& asking) const = 0;

  // Nothing when the album can be downloaded, else the log line that says why
  // not (an id that could reach outside the save folder).
  virtual std::optional<Text> Refusal(const Album& album) const = 0;
  // How the creation lines of its record store end ("\r\n" or "\r\n\r\n").
  virtual Text StoreLineEnding() const = 0;
  // The folder of its pictures under the save folder (one name), and whether
  // each attempt to make it is logged.
  virtual Text FolderName(const Album& album) const = 0;
  virtual bool LogsFolderAttempts() const = 0;
  // Whether its pages run newest first, as a board's do (pins by falling id):
  // then a pass that reached its end covers everything up to its newest pin,
  // and a later sync run can stop paging where that pass began. A keyword
  // search's pages run by relevance: a sync run only skips what was saved.
  virtual bool PagesNewestFirst() const = 0;
  // Its pages. albumStarted: when the album's download began (a pause before
  // the first page counts from there).
  virtual std::unique_ptr<AlbumPages> Pages(const Album& album, Asking& asking,
                                            PaceClock::time_point albumStarted) const = 0;
  // The lines that close the album's log, in order, pinsSeen being the pins
  // its pages brought.
  virtual std::vector<Text> EndLines(const Album& album, long long pinsSeen) const = 0;
};

}  // namespace albumdl
