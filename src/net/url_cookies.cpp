#include "net/url_cookies.h"

#include <algorithm>
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
    const int colon = TextFind(host, ":");
    if (colon > 0) host = TextLeft(host, colon - 1);
  }
  return host;
}

int UrlPort(const Text& url) {
  const Text hostAndPort = UrlHost(url, true);
  const int colon = TextFindLast(hostAndPort, ":");
  if (colon > 0) {
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

Text HeaderName(const Text& line) {
  const int colon = TextFind(line, ":");
  if (colon < 1) return "";
  return TextTrim(TextLeft(line, colon - 1));
}

Text HeaderValue(const Text& line) {
  const int colon = TextFind(line, ":");
  if (colon < 1) return "";
  return TextTrim(TextMid(line, colon + 1, static_cast<int>(line.size())));
}

Text CollectCookies(const Text& rawHeaders) {
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

  std::vector<Text> merged = TextSplit(newClean, ";");
  for (const Text& oldItem : TextSplit(oldClean, ";")) {
    const Text name = CookieName(oldItem);
    const bool present = std::any_of(merged.begin(), merged.end(),
                                     [&](const Text& item) { return CookieName(item) == name; });
    if (!present) merged.push_back(oldItem);
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
  std::vector<Text> kept;
  for (const Text& item : TextSplit(text, separator)) {
    if (std::find(kept.begin(), kept.end(), item) == kept.end()) kept.push_back(item);
  }
  Text result;
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) result += separator;
    result += kept[i];
  }
  return result;
}

}  // namespace albumdl
