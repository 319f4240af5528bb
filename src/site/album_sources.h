// How the retrieval reads its input: the text is trimmed, split at CR LF and
// every line (numbered from 1, empty ones included) is one of these kinds. The
// retrieval and the command line's own check of the input both go by this.
#pragma once

#include <vector>

#include "site/site.h"
#include "text/text.h"

namespace albumdl {

struct AlbumSource {
  enum class Kind {
    kBoard,     // carries the site's board marker and a usable board id
    kBadBoard,  // carries the board marker, but no usable id up to the next "/"
    kSearch,    // no board marker, but "search/?q": requested as typed
    kOther,     // neither (empty lines too): skipped
  };
  Kind kind = Kind::kOther;
  int lineNumber = 0;
  Text line;     // as the retrieval sees it
  Text boardId;  // kBoard only
};

std::vector<AlbumSource> AlbumSources(const Text& input, const Site& site);

}  // namespace albumdl
