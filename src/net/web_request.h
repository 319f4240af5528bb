// One complete HTTP exchange with the browser-like defaults of a desktop client.
// Pages the board download reads come through here. Never throws, never logs:
// every failure ends in an empty body and a failure reason in the result.
#pragma once

#include <optional>

#include "net/cookie_jar.h"
#include "net/http_result.h"
#include "net/transfer_limits.h"
#include "text/text.h"

namespace albumdl {

// Every field has a default, so a call names only what it sets:
//   WebRequest({.url = url, .headers = headerBlock, .limits = kPageLimits})
struct WebRequestParams {
  Text url{};  // without a scheme it is a plain-HTTP address
  // 0 GET, 1 POST, 2 HEAD (HEAD is sent like POST); other values mean GET.
  int method = 0;
  // The body when postBytes is empty and the method is not GET.
  Text postText{};
  Bytes postBytes{};
  // Not supplied: the jar, when one is given, is read and written for this
  // request. Supplied (even empty): the jar is left alone, a Cookie line is
  // sent when the text is not empty, and the result holds it merged with what
  // the response set.
  std::optional<Text> cookies{};
  // Extra request header lines, CR LF separated. A User-Agent line among them
  // gives the agent string. With the jar, a Cookie line among them joins the
  // jar's cookies in one line (the jar's value wins for a name in both).
  Text headers{};
  bool noRedirect = false;
  Text proxy{};  // host:port; empty: the program's proxy (proxy.h)
  TransferLimits limits{};
  // The session's jar (cookie_jar.h): every hop sends its cookies for the
  // hop's address and gives it the hop's Set-Cookie lines.
  CookieJar* jar = nullptr;
};

// The result's returnedHeaders start with the status line. When the address is
// refused before anything is sent, sentHeaders and cookies are the caller's
// texts unchanged. A transfer that fails still reports the header lines that
// came, and their cookies.
HttpResult WebRequest(const WebRequestParams& request);

}  // namespace albumdl
