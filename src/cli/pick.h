// --pick: which albums to download, by their serials ("1,3-5").
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/album_list.h"

namespace albumdl::cli {

struct SerialRange {
  int first = 0;
  int last = 0;
  bool operator==(const SerialRange&) const = default;
};
// Sorted, neither overlapping nor touching, so any text gives at most as many
// ranges as it has items, whatever numbers they name.
using Pick = std::vector<SerialRange>;

// A pick longer than this is no list a person typed.
inline constexpr size_t kLongestPick = 1000;

// The largest serial a pick may name.
inline constexpr int kLargestSerial = 2147483647;

// The serials of a list such as "1,3-5" (blanks allowed around the items).
// Nothing, with the reason in words, when the text is malformed or longer than
// kLongestPick, a range runs backwards, or a serial is 0 or above
// kLargestSerial.
std::optional<Pick> ParsePick(const std::string& text, std::string& problem);
// Ticks exactly the rows whose serial is picked. Returns the picked serials that
// no row has.
Pick TickPicked(AlbumList& list, const Pick& pick);
// "2,7-9"
std::string PickText(const Pick& pick);

}  // namespace albumdl::cli
