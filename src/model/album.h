// One album of the list, as the engine knows it: which kind of album it is and
// the input line it came from, what the site said of it (or why it said
// nothing usable), and whether the user ticked it. The views show these
// fields; nothing reads them back out of a caption.
#pragma once

#include <optional>

#include "text/text.h"

namespace albumdl {

struct Album {
  int serial = 0;      // 序号: its place in the list when it was made, from 1
  Text kind;           // the name of the album kind that made it (site/album_kinds.h)
  int lineNumber = 0;  // the input line it came from, from 1
  Text line;           // that line as typed
  // 相册ID: a board id, or "关键词_" + the keyword. It names the album's
  // record store; the album's kind, not this text, says what kind it is.
  Text id;
  Text title;  // 相册名称: the album's name, cleaned for use in a folder name
  // 图片数量 as the site reported it; nothing when its answer gave none.
  std::optional<long long> pictureCount;
  // The album's answer never came right: no count, nothing to download.
  bool failed = false;
  Text failure;  // why, in words the log can show (code page 936)
  bool ticked = false;

  // The count as a number for paging and progress: 0 when unknown.
  long long CountOrZero() const { return pictureCount.value_or(0); }
};

}  // namespace albumdl
