#include "net/request_headers.h"

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
    if (TextFind(headers, marker) == -1) headers += "\r\n" + line;
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
    text += responseLines[i] + "\r\n";
  }
  return TextReplace(text, "Set-Cookie", "Set-Cookie", 1, -1, false);
}

}  // namespace albumdl::net_internal
