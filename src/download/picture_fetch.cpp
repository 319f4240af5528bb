#include "download/picture_fetch.h"

#include <optional>
#include <utility>

#include "net/url_cookies.h"
#include "net/winhttp_request.h"

namespace albumdl {

namespace {

// What a 429 answer asks us to wait, in milliseconds; the usual pause when it
// names no number of seconds.
int RetryAfterMs(const ResponseHeaders& headers) {
  const std::optional<long long> seconds = headers.RetryAfterSeconds();
  if (!seconds) return kPictureRetryPauseMs;
  // Compared in seconds first: a number of 18 digits times 1000 would not fit.
  if (*seconds >= kMostRetryAfterMs / 1000) return kMostRetryAfterMs;
  return static_cast<int>(*seconds * 1000);
}

}  // namespace

bool IsCompletePicture(const Bytes& body, int status, const ResponseHeaders& headers) {
  if (body.empty() || status < 200 || status > 299) return false;
  const std::optional<long long> length = headers.ContentLength();
  if (length && static_cast<long long>(body.size()) < *length) return false;
  // An HTML page where a picture was expected: a login wall or an error page
  // served with status 200. A body starting with "<" is also taken for one,
  // unless the answer says it is an image (an SVG picture starts the same way).
  const Text type = TextLower(headers.ContentType());
  if (TextFind(type, "text/html") > 0) return false;
  if (body.front() == '<' && TextFind(type, "image/") != 1) return false;
  return true;
}

PictureFetch FetchPicture(const Text& url, const Text& refererLine, Text& sessionCookies,
                          Pacer& pacer, RunGate& gate) {
  PictureFetch fetch;
  for (int attempt = 1; attempt <= kPictureAttempts; ++attempt) {
    if (!gate.Pass()) {
      fetch.ended = true;
      break;
    }
    HttpResult reply = WinHttpRequest(
        {.url = url, .cookies = sessionCookies, .headers = refererLine, .limits = kPictureLimits});
    // The session text keeps only what the answer set, merged with itself.
    sessionCookies = reply.returnedCookies;
    MergeCookies(sessionCookies, sessionCookies);
    const int status = reply.statusCode;
    if (IsCompletePicture(reply.body, status, reply.headers)) {
      fetch.body = std::move(reply.body);
      fetch.ok = true;
      return fetch;
    }
    // The picture is gone; asking again will not bring it back.
    if (status == 404 || attempt == kPictureAttempts) break;
    const int pause = status == 429 ? RetryAfterMs(reply.headers) : kPictureRetryPauseMs;
    if (!pacer.PumpingWait(pause)) {
      fetch.ended = true;
      break;
    }
  }
  return fetch;
}

}  // namespace albumdl
