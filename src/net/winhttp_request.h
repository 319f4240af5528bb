// One HTTP exchange that carries the caller's cookie text itself and reports the
// status code. Album answers, search pages and pictures come through here.
// Never throws, never logs: every failure ends in an empty body, status 0 and a
// failure reason in the result.
#pragma once

#include "net/cookie_jar.h"
#include "net/http_result.h"
#include "net/transfer_limits.h"
#include "text/text.h"

namespace albumdl {

// Every field has a default, so a call names only what it sets:
//   WinHttpRequest({.url = url, .limits = kPictureLimits, .jar = &session.cookies})
struct WinHttpRequestParams {
  Text url{};
  // 0 GET, 1 POST, 2 HEAD; other values mean GET.
  int method = 0;
  // The body is postBytes, or postText when postBytes is empty; it goes out
  // whatever the method when it is not empty (and always for POST).
  Text postText{};
  Bytes postBytes{};
  // Sent as the Cookie header when not empty, joined with the jar's cookies
  // when a jar is given (the jar's value wins for a name in both).
  Text cookies{};
  // Extra request header lines, CR LF separated; each name goes out once.
  Text headers{};
  bool noRedirect = false;
  Text proxy{};  // host:port; empty: the program's proxy (proxy.h)
  // -1: the defaults of every other request; below 1: 15 s; else that many
  // seconds. Per phase (connecting, and going without data), not in total:
  // limits.totalTimeoutSeconds bounds the whole.
  int timeoutSeconds = 0;
  // Used only with a proxy.
  Text proxyUser{};
  Text proxyPassword{};
  // 1: the credentials are for the proxy; 0: for the server.
  int proxyCredentialFlag = 1;
  TransferLimits limits{};
  // The session's jar (cookie_jar.h): every hop sends its cookies for the
  // hop's address and gives it the hop's Set-Cookie lines.
  CookieJar* jar = nullptr;
};

// The result's returnedHeaders hold the header lines without the status line,
// and nothing when the exchange failed. Its cookies are the caller's cookies
// with the response's merged over them, normalised even when nothing came.
HttpResult WinHttpRequest(const WinHttpRequestParams& request);

}  // namespace albumdl
