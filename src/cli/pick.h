// --pick: which albums to download, by their serials ("1,3-5").
#pragma once

#include <optional>
#include <set>
#include <string>

#include "catalogue/album_list.h"

namespace albumdl::cli {

// The serials of a list such as "1,3-5" (blanks allowed around the items).
// Nothing when the text is malformed, a range runs backwards or a serial is 0.
std::optional<std::set<int>> ParsePick(const std::string& text);
// Ticks exactly the rows whose serial is picked. Returns the picked serials that
// no row has.
std::set<int> TickPicked(AlbumList& list, const std::set<int>& serials);

}  // namespace albumdl::cli
