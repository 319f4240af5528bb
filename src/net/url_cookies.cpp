#include "net/url_cookies.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace albumdl {

Text UrlHost(const Text& url, bool keepPort) {
  Text copy = TextLower(url);
  if (copy.empty() || copy.back() != '/') copy += "/";
  Text host;
  if (TextLeft(copy, 8) == "https://") {
    host = TextBetween(copy, "https://", "/");
  } else {
    // An address without a scheme is a plain-HTTP one. When "http://" occurs
    // somewhere (even inside a query), its first occurrence marks the host.
    if (TextFind(copy, "http://") == -1) copy = "http://" + copy;
    host = TextBetween(copy, "http://", "/");
  }
  if (!keepPort) {
    // An IPv6 address ("[::1]:8080") keeps its brackets; the port follows them.
    const int bracket = host.rfind('[', 0) == 0 ? TextFind(host, "]") : -1;
    const int colon = TextFind(host, ":", bracket > 0 ? bracket : 1);
    if (colon > 0) host = TextLeft(host, colon - 1);
  }
  return host;
}

int UrlPort(const Text& url) {
  const Text hostAndPort = UrlHost(url, true);
  // The colons inside an IPv6 address's brackets are not a port's.
  const int colon = TextFindLast(hostAndPort, ":");
  const int bracket = TextFindLast(hostAndPort, "]");
  if (colon > 0 && colon > bracket) {
    return static_cast<int>(TextToInt(TextMid(hostAndPort, colon + 1, hostAndPort.size())));
  }
  return TextLower(TextLeft(url, 5)) == "https" ? 443 : 80;
}

Text UrlPath(const Text& url) {
  const int hostAt = TextFind(url, UrlHost(url), 1, true);
  const int slash = TextFind(url, "/", hostAt > 0 ? hostAt : 1);
  if (slash > 0) return TextMid(url, slash, static_cast<int>(url.size()));
  return "/";
}

namespace {

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Header lines are plain ASCII as a rule, and every request and answer goes
// through these: the character-stepping primitives are asked only when a byte
// of a double-byte character is involved, and give the same answer.

// Where the first ":" of a line is, 1-based as TextFind gives it.
int ColonOf(const Text& line) {
  const size_t colon = line.find(':');
  if (colon == Text::npos) return -1;
  if (IsAscii(std::string_view(line).substr(0, colon))) return static_cast<int>(colon) + 1;
  return TextFind(line, ":");
}

// TextTrim of line's bytes from begin to end.
Text TrimmedPart(const Text& line, size_t begin, size_t end) {
  const std::string_view part = std::string_view(line).substr(begin, end - begin);
  if (!IsAscii(part)) return TextTrim(Text(part));
  const size_t first = part.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  return Text(part.substr(first, part.find_last_not_of(' ') + 1 - first));
}

}  // namespace

Text HeaderName(const Text& line) {
  const int colon = ColonOf(line);
  if (colon < 1) return "";
  return TrimmedPart(line, 0, static_cast<size_t>(colon - 1));
}

Text HeaderValue(const Text& line) {
  const int colon = ColonOf(line);
  if (colon < 1) return "";
  return TrimmedPart(line, static_cast<size_t>(colon), line.size());
}

bool SameHeaderName(const Text& a, const Text& b) {
  if (a.size() != b.size()) return false;
  // Compared in place, without lower-cased copies.
  if (!IsAscii(a) || !IsAscii(b)) return TextLower(a) == TextLower(b);
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

Text CollectCookies(const Text& rawHeaders) {
  // Answers without a cookie (every picture) need no line-by-line look.
  if (rawHeaders.find("Set-Cookie") == Text::npos) return "";
  Text result;
  for (const Text& line : TextSplit(rawHeaders, "\r\n")) {
    if (TextFind(line, "Set-Cookie") == -1) continue;
    Text item;
    if (TextFind(line, ";") == -1) {
      item = TextTrim(TextReplace(line, "Set-Cookie:", "", 1, -1, false));
    } else {
      // Only name=value: the attributes (path, expiry, ...) are not carried.
      item = TextTrim(TextBetween(line, "Set-Cookie:", ";"));
    }
    result += item + "; ";
  }
  if (!result.empty()) result.resize(result.size() - 2);
  return result;
}

Text MergeCookies(Text& oldCookies, Text& newCookies) {
  // Both arguments may be one variable: work on copies and write back only at
  // the defined points.
  const Text oldClean = TextRemoveBlanks(oldCookies);
  const Text newClean = TextRemoveBlanks(newCookies);
  oldCookies = oldClean;
  newCookies = newClean;

  // The names already in the list, looked up once each: a text of thousands of
  // cookies merges in time that grows with its length, not with its square.
  std::vector<Text> merged = TextSplit(newClean, ";");
  std::unordered_set<Text> names;
  for (const Text& item : merged) names.insert(CookieName(item));
  for (Text& oldItem : TextSplit(oldClean, ";")) {
    if (names.insert(CookieName(oldItem)).second) merged.push_back(std::move(oldItem));
  }

  Text result;
  for (const Text& item : merged) {
    // A cookie set to "deleted" is the site's way of removing it.
    if (TextRight(item, 8) == "=deleted") continue;
    result += item + "; ";
  }
  if (!result.empty()) result.resize(result.size() - 2);
  result = UniqueItems(result, "; ");
  oldCookies = result;
  return result;
}

Text CookieName(const Text& item) {
  const int equals = TextFind(item, "=");
  if (equals < 1) return TextTrim(item);
  return TextTrim(TextLeft(item, equals - 1));
}

Text UniqueItems(const Text& text, const Text& separator) {
  std::unordered_set<std::string_view> seen;
  const std::vector<Text> items = TextSplit(text, separator);
  Text result;
  bool first = true;
  for (const Text& item : items) {
    if (!seen.insert(item).second) continue;
    if (!first) result += separator;
    result += item;
    first = false;
  }
  return result;
}

}  // namespace albumdl
