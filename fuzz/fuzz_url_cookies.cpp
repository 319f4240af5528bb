// Address splitting and the cookie texts on any bytes: a host holds no "/"
// (nor ":" without its port), a path starts with "/", a port without one in the
// host is 80 or 443; cookies collected from headers never carry a line break;
// merged cookies hold no deleted item and no item twice, keep every new item
// and every old one the new ones do not name, and are left in the old text.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "net/url_cookies.h"

using albumdl::Text;

namespace {

void CheckAddress(const Text& url) {
  const Text host = albumdl::UrlHost(url);
  const Text hostAndPort = albumdl::UrlHost(url, true);
  FUZZ_CHECK(!fuzz::HasCharacter(host, '/') && !fuzz::HasCharacter(hostAndPort, '/'));
  FUZZ_CHECK(hostAndPort.compare(0, host.size(), host) == 0);
  const int port = albumdl::UrlPort(url);
  // A colon of the host is one of an IPv6 address's, inside its brackets.
  const size_t bracket = host.find(']');
  if (fuzz::HasCharacter(host, ':')) {
    FUZZ_CHECK(host[0] == '[' && bracket != Text::npos && host.find(':') < bracket &&
               host.find(':', bracket) == Text::npos);
  }
  if (!fuzz::HasCharacter(hostAndPort, ':')) FUZZ_CHECK(port == 80 || port == 443);
  const Text path = albumdl::UrlPath(url);
  FUZZ_CHECK(!path.empty() && path[0] == '/');
}

bool Ascii(const Text& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0; });
}

std::vector<Text> Items(const Text& cookies) {
  std::vector<Text> items;
  size_t start = 0;
  while (!cookies.empty()) {
    size_t end = cookies.find("; ", start);
    items.push_back(cookies.substr(start, end == Text::npos ? Text::npos : end - start));
    if (end == Text::npos) break;
    start = end + 2;
  }
  return items;
}

bool Deleted(const Text& item) {
  return item.size() >= 8 && item.compare(item.size() - 8, 8, "=deleted") == 0;
}

// Cookie texts as they come in real use: ASCII, no blanks to remove. On such
// texts the items can be told apart by plain byte search.
bool PlainCookieText(const Text& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

void CheckMerge(const Text& oldText, const Text& newText) {
  Text oldCookies = oldText;
  Text newCookies = newText;
  const Text merged = albumdl::MergeCookies(oldCookies, newCookies);
  FUZZ_CHECK(oldCookies == merged);
  FUZZ_CHECK(newCookies == albumdl::TextRemoveBlanks(newText));

  Text same = oldText;
  FUZZ_CHECK(albumdl::MergeCookies(same, same) == same);

  if (!PlainCookieText(oldText) || !PlainCookieText(newText)) return;
  const std::vector<Text> items = Items(merged);
  for (size_t i = 0; i < items.size(); ++i) {
    FUZZ_CHECK(!Deleted(items[i]));
    FUZZ_CHECK(std::count(items.begin(), items.end(), items[i]) == 1);
  }
  std::vector<Text> newNames;
  // Empty items (";;") carry nothing and may go.
  for (const Text& item : albumdl::TextSplit(newText, ";")) {
    newNames.push_back(albumdl::CookieName(item));
    if (!item.empty() && !Deleted(item)) {
      FUZZ_CHECK(std::count(items.begin(), items.end(), item) == 1);
    }
  }
  // An old item stays unless a new one, or an old one before it, has its name.
  for (const Text& item : albumdl::TextSplit(oldText, ";")) {
    const Text name = albumdl::CookieName(item);
    const bool named = std::count(newNames.begin(), newNames.end(), name) > 0;
    if (!named && !item.empty() && !Deleted(item)) {
      FUZZ_CHECK(std::count(items.begin(), items.end(), item) == 1);
    }
    newNames.push_back(name);
  }
}

// Raw header bytes are split as code page 936 text, so a header line with an
// odd number of lead bytes (a UTF-8 "名", say) takes the "\r" of
// its line ending for the second byte of a character and runs into the next
// line: a cookie set on the next line is lost, and the item holds "\r\n".
// (The request layer drops line breaks from cookie texts before sending, so
// no header line can be smuggled in.) The check keeps to ASCII header blocks.
void CheckCollect(const Text& rawHeaders) {
  const Text cookies = albumdl::CollectCookies(rawHeaders);
  if (!Ascii(rawHeaders)) return;
  FUZZ_CHECK(cookies.find("\r\n") == Text::npos);
}

void CheckUnique(const Text& text, const Text& separator) {
  const Text unique = albumdl::UniqueItems(text, separator);
  FUZZ_CHECK(unique.size() <= text.size());
  if (separator.empty() || !PlainCookieText(text) || !PlainCookieText(separator)) return;
  // Empty items (two separators in a row) are kept once, but an empty last
  // one is dropped by the split; they carry nothing, so leave them out.
  const auto items = albumdl::TextSplit(text, separator);
  if (std::find(items.begin(), items.end(), Text()) != items.end()) return;
  FUZZ_CHECK(albumdl::UniqueItems(unique, separator) == unique);
  for (const Text& item : items) FUZZ_CHECK(albumdl::TextFind(unique, item) != -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const Text separator = input.ConsumeRandomLengthString(3);
  const Text oldText = input.ConsumeRandomLengthString(200);
  const Text newText = input.ConsumeRandomLengthString(200);
  const Text rest = input.ConsumeRemainingBytesAsString();

  CheckAddress(rest);
  CheckAddress(oldText);
  CheckMerge(oldText, newText);
  CheckCollect(rest);
  CheckUnique(rest, separator);
  albumdl::HeaderName(rest);
  albumdl::HeaderValue(rest);
  return 0;
}
