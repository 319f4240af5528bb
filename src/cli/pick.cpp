#include "cli/pick.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>

namespace albumdl::cli {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// A serial: decimal digits, 1 to kLargestSerial. Nothing, with the reason,
// otherwise.
std::optional<int> Serial(std::string_view text, std::string& problem) {
  text = Trimmed(text);
  const bool digits = !text.empty() && std::all_of(text.begin(), text.end(),
                                                   [](char c) { return c >= '0' && c <= '9'; });
  if (!digits) {
    problem = "not serials such as 1,3-5";
    return std::nullopt;
  }
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || value > kLargestSerial) {
    problem = "the serial " + std::string(text) + " is too large (at most " +
              std::to_string(kLargestSerial) + ")";
    return std::nullopt;
  }
  if (value < 1) {
    problem = "serials start at 1";
    return std::nullopt;
  }
  return static_cast<int>(value);
}

// Sorts the ranges and joins those that overlap or touch.
Pick Merged(Pick ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const SerialRange& a, const SerialRange& b) { return a.first < b.first; });
  Pick merged;
  for (const SerialRange& range : ranges) {
    if (!merged.empty() && range.first - 1 <= merged.back().last) {
      merged.back().last = std::max(merged.back().last, range.last);
    } else {
      merged.push_back(range);
    }
  }
  return merged;
}

bool Picked(const Pick& pick, int serial) {
  const auto after = std::upper_bound(pick.begin(), pick.end(), serial,
                                      [](int s, const SerialRange& r) { return s < r.first; });
  return after != pick.begin() && serial <= std::prev(after)->last;
}

}  // namespace

std::optional<Pick> ParsePick(const std::string& text, std::string& problem) {
  if (text.size() > kLongestPick) {
    problem = "longer than " + std::to_string(kLongestPick) + " characters";
    return std::nullopt;
  }
  Pick ranges;
  std::string_view rest = text;
  while (true) {
    const size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const size_t dash = item.find('-');
    const auto first = Serial(item.substr(0, dash), problem);
    if (!first) return std::nullopt;
    const auto last =
        dash == std::string_view::npos ? first : Serial(item.substr(dash + 1), problem);
    if (!last) return std::nullopt;
    if (*last < *first) {
      problem = "the range " + std::string(Trimmed(item)) + " runs backwards";
      return std::nullopt;
    }
    ranges.push_back({*first, *last});
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return Merged(std::move(ranges));
}

Pick TickPicked(AlbumList& list, const Pick& pick) {
  std::vector<int> present;
  const std::vector<Album> albums = list.Rows();
  for (size_t row = 0; row < albums.size(); ++row) {
    const int serial = albums[row].serial;
    const bool picked = serial >= 1 && Picked(pick, serial);
    list.SetChecked(static_cast<int>(row), picked);
    if (picked) present.push_back(serial);
  }
  std::sort(present.begin(), present.end());

  // The gaps the present serials leave in each picked range.
  Pick missing;
  for (const SerialRange& range : pick) {
    long long next = range.first;  // the first serial of the range not yet accounted for
    auto serial = std::lower_bound(present.begin(), present.end(), range.first);
    for (; serial != present.end() && *serial <= range.last; ++serial) {
      if (*serial > next) missing.push_back({static_cast<int>(next), *serial - 1});
      next = std::max<long long>(next, *serial + 1LL);
    }
    if (next <= range.last) missing.push_back({static_cast<int>(next), range.last});
  }
  return missing;
}

std::string PickText(const Pick& pick) {
  std::string text;
  for (const SerialRange& range : pick) {
    if (!text.empty()) text += ",";
    text += std::to_string(range.first);
    // Appended piece by piece: GCC 12 misreads "-" + std::string&& as an
    // overlapping copy in optimised builds (-Wrestrict).
    if (range.last != range.first) text.append("-").append(std::to_string(range.last));
  }
  return text;
}

}  // namespace albumdl::cli
