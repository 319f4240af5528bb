#include "net/request_headers.h"

#include <algorithm>
#include <string_view>

namespace albumdl::net_internal {

Text MethodVerb(int method) {
  switch (method) {
    case 1:
      return "POST";
    case 2:
      return "HEAD";
    default:
      return "GET";
  }
}

void CompleteHeaderText(Text& headers, const Text& url, bool withUserAgent) {
  const auto addUnlessPresent = [&headers](const Text& marker, const Text& line) {
    // A marker not among the bytes at all is not in the text: the search that
    // steps over double-byte characters is only needed when the bytes hold it.
    if (headers.find(marker) == Text::npos || TextFind(headers, marker) == -1)
      headers += "\r\n" + line;
  };
  if (headers.empty()) {
    headers = "Accept: */*";
  } else {
    addUnlessPresent("Accept:", "Accept: */*");
  }
  addUnlessPresent("Referer:", "Referer: " + url);
  addUnlessPresent("Accept-Language:", "Accept-Language: zh-cn");
  if (withUserAgent) addUnlessPresent("User-Agent:", "User-Agent: " + kDefaultAgent);
  addUnlessPresent("Content-Type:", "Content-Type: application/x-www-form-urlencoded");
}

Text ResponseHeaderText(const std::vector<Text>& responseLines, bool withStatusLine) {
  Text text;
  for (size_t i = withStatusLine ? 0 : 1; i < responseLines.size(); ++i) {
    text += responseLines[i];
    text += "\r\n";
  }
  // Most answers (every picture) set no cookie: the rewrite is only needed
  // when the bytes hold the name in some letter case.
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  const std::string_view name = "set-cookie";
  const auto found = std::search(text.begin(), text.end(), name.begin(), name.end(),
                                 [&lower](char a, char b) { return lower(a) == b; });
  if (found == text.end()) return text;
  return TextReplace(text, "Set-Cookie", "Set-Cookie", 1, -1, false);
}

}  // namespace albumdl::net_internal
