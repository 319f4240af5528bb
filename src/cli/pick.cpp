#include "cli/pick.h"

#include <charconv>
#include <string_view>

namespace albumdl::cli {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::optional<int> Serial(std::string_view text) {
  text = Trimmed(text);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1)
    return std::nullopt;
  return value;
}

// No list has more rows than this; it keeps "1-2000000000" from filling memory.
constexpr int kLargestSerial = 100000;

}  // namespace

std::optional<std::set<int>> ParsePick(const std::string& text) {
  std::set<int> serials;
  std::string_view rest = text;
  while (true) {
    const size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const size_t dash = item.find('-');
    const auto first = Serial(item.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : Serial(item.substr(dash + 1));
    if (!first || !last || *last < *first || *last > kLargestSerial) return std::nullopt;
    for (int serial = *first; serial <= *last; ++serial) serials.insert(serial);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return serials;
}

std::set<int> TickPicked(AlbumList& list, const std::set<int>& serials) {
  std::set<int> missing = serials;
  const int rows = list.RowCount();
  for (int row = 0; row < rows; ++row) {
    const int serial = static_cast<int>(TextToInt(list.GetCell(row, kColumnSerial)));
    const bool picked = serials.count(serial) > 0;
    list.SetChecked(row, picked);
    missing.erase(serial);
  }
  return missing;
}

}  // namespace albumdl::cli
