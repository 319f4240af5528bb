// A look at the input lines before the retrieval, for both front ends: every
// line the retrieval would pass over, or could not read as it was typed, with
// the reason. The retrieval reads the lines by the same rules (AlbumSources),
// so what is named here is exactly what it leaves out.
#pragma once

#include <string>
#include <vector>

#include "session/site_addresses.h"
#include "text/text.h"

namespace albumdl {

struct LeftOutLine {
  enum class Why {
    kTooLong,           // longer than any address
    kControlCharacter,  // a control character other than a tab
    kOutsideCodePage,   // characters code page 936 lacks (or not UTF-8)
    kUnusable,          // a kind's line from which nothing can be asked
    kNoAlbum,           // neither a board nor a search address, and not blank
  };
  size_t index = 0;  // of the line, from 0
  Why why = Why::kNoAlbum;
  std::string reason;  // in English, UTF-8, for the command line's messages
};

struct CheckedInput {
  // What the retrieval is handed: code page 936, lines joined by CR LF. A line
  // that cannot be converted whole stays as an empty line, so that the line
  // numbers of the activity log still match the input's.
  Text text;
  std::vector<LeftOutLine> leftOut;  // in line order
  int usable = 0;                    // board and search lines
};

// lines: UTF-8, without their line ends.
CheckedInput CheckInput(const std::vector<std::string>& lines, const Site& site);

}  // namespace albumdl
