// One HTTP exchange over libcurl, as both request operations need it: the
// request goes out exactly as described here (no header lines of libcurl's own
// beyond Host, User-Agent when an agent is given and Content-Length), and the
// last response comes back as it arrived. Redirects are followed here, hop by
// hop, so that each hop carries only what belongs to its own address. Internal
// to src/net.
#pragma once

#include <vector>

#include "net/cookie_jar.h"
#include "net/http_result.h"
#include "net/response_headers.h"
#include "text/text.h"

namespace albumdl::net_internal {

struct TransferRequest {
  Text url;  // with scheme (see AddressWithScheme)
  // "GET", "POST" or "HEAD". A HEAD answer is read as one: no body is awaited.
  Text verb = "GET";
  bool sendBody = false;  // a body goes out (with Content-Length), even an empty one
  Bytes body;
  // "Name: value" lines in the order they go out. A line holding CR or LF is
  // not sent: it could carry header lines of its own. Cookie, Authorization
  // and Host lines go only to the first address's scheme, host and port.
  std::vector<Text> headerLines;
  Text userAgent;  // empty: only what headerLines say
  // Each hop sends the jar's cookies for its address, in one Cookie line first
  // among the header lines (with the caller's Cookie items the jar does not
  // name), and the jar takes each hop's Set-Cookie lines. nullptr: no jar.
  CookieJar* jar = nullptr;
  bool followRedirects = true;
  Text proxy;  // empty: DefaultProxy(), else the environment's, else direct
  Text proxyUser;
  Text proxyPassword;
  bool credentialsForServer = false;  // the credentials go to the server, not the proxy
  long connectTimeoutSeconds = 60;
  long idleTimeoutSeconds = 30;  // the longest stretch without data
  long long maxBodyBytes = 0;    // 0: no limit
  long totalTimeoutMs = 0;       // the whole transfer; 0: no limit
};

struct TransferResult {
  HttpFailure failure = HttpFailure::kOther;
  long status = 0;
  Bytes body;  // empty unless completed
  // The last response's status line and header lines, without line ends, and
  // the same lines split.
  std::vector<Text> responseLines;
  ResponseHeaders headers;

  // The exchange ran to its end, whatever the status.
  bool Completed() const { return failure == HttpFailure::kNone; }
};

// "http://" + url when url names no scheme of its own.
Text AddressWithScheme(const Text& url);
// The address as it goes on the wire. Typed addresses are code page 936 and may
// hold blanks and Chinese characters (a search for 樱花); they are sent as a
// browser sends them: the characters in UTF-8, those bytes, blanks and control
// characters percent-encoded, everything else as typed.
Text WireAddress(const Text& url);
// True when url (with scheme) is an http or https address libcurl can parse.
bool AcceptableAddress(const Text& url);
// Splits a CR LF separated header text into its non-empty lines.
std::vector<Text> HeaderLines(const Text& headerText);
// text without CR and LF bytes.
Text WithoutLineBreaks(const Text& text);

TransferResult PerformTransfer(const TransferRequest& request);

}  // namespace albumdl::net_internal
