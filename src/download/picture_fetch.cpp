#include "download/picture_fetch.h"

#include <optional>

#include "net/url_cookies.h"
#include "net/winhttp_request.h"

namespace albumdl {

namespace {

std::optional<Text> HeaderIn(const Text& rawHeaders, const Text& name) {
  const Text wanted = TextLower(name);
  for (const Text& line : TextSplit(rawHeaders, "\r\n")) {
    if (TextLower(TextTrim(HeaderName(line))) == wanted) return TextTrim(HeaderValue(line));
  }
  return std::nullopt;
}

bool AllDigits(const Text& text) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// What a 429 answer asks us to wait, in milliseconds; the usual pause when it
// names no number of seconds.
int RetryAfterMs(const Text& rawHeaders) {
  const std::optional<Text> value = HeaderIn(rawHeaders, "Retry-After");
  if (!value || !AllDigits(*value)) return kPictureRetryPauseMs;
  const long long ms = TextToInt(*value) * 1000;
  return static_cast<int>(ms > kMostRetryAfterMs ? kMostRetryAfterMs : ms);
}

}  // namespace

bool IsCompletePicture(const Bytes& body, int status, const Text& rawHeaders) {
  if (body.empty() || status < 200 || status > 299) return false;
  const std::optional<Text> length = HeaderIn(rawHeaders, "Content-Length");
  if (length && AllDigits(*length) && static_cast<long long>(body.size()) < TextToInt(*length)) {
    return false;
  }
  // An HTML page where a picture was expected: a login wall or an error page
  // served with status 200. A body starting with "<" is also taken for one,
  // unless the answer says it is an image (an SVG picture starts the same way).
  const Text type = TextLower(HeaderIn(rawHeaders, "Content-Type").value_or(""));
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
    Text headers = refererLine;
    Text returnedHeaders;
    int status = 0;
    Bytes body = WinHttpRequest(url, 0, "", &sessionCookies, &sessionCookies, &headers,
                                &returnedHeaders, &status);
    if (IsCompletePicture(body, status, returnedHeaders)) {
      fetch.body = std::move(body);
      fetch.ok = true;
      return fetch;
    }
    // The picture is gone; asking again will not bring it back.
    if (status == 404 || attempt == kPictureAttempts) break;
    const int pause = status == 429 ? RetryAfterMs(returnedHeaders) : kPictureRetryPauseMs;
    if (!pacer.PumpingWait(pause)) {
      fetch.ended = true;
      break;
    }
  }
  return fetch;
}

}  // namespace albumdl
