// What one exchange of WebRequest or WinHttpRequest gives back: the body, the
// status, the response's header lines (as a block and cut into fields), the
// cookies, the header text that was sent, and why the exchange failed, if it did.
#pragma once

#include "net/response_headers.h"
#include "text/text.h"

namespace albumdl {

// Why an exchange did not run to its end. An error status (404, 500) is not a
// failure: the exchange completed and the status tells the rest.
enum class HttpFailure {
  kNone,
  kBadAddress,        // not an http or https address that can be parsed
  kConnectFailed,     // the name did not resolve, or the connection was refused
  kTimedOut,          // too long without data, or over the limit for the whole transfer
  kConnectionBroken,  // reset or closed by the peer before a response came whole
  kTruncated,         // the connection ended before the announced length arrived
  kAborted,           // TransferAbortRequested() ended it
  kTooLarge,          // the body is larger than the request allows
  kTls,               // the secure connection could not be set up or verified
  kOther,
};

// A short reason for the log, in code page 936 ("连接超时"); empty for kNone.
Text FailureText(HttpFailure failure);

struct HttpResult {
  // Empty unless the exchange completed: a body cut short is no body.
  Bytes body;
  // The status of a completed exchange, 0 otherwise.
  int statusCode = 0;
  // The raw response header block, each line ended by CR LF, every
  // "Set-Cookie" in any letter case written as "Set-Cookie". Whether the
  // status line is part of it depends on the operation.
  Text returnedHeaders;
  // The same response's lines, split once.
  ResponseHeaders headers;
  // The cookies the response set (CollectCookies of returnedHeaders), "; " joined.
  Text returnedCookies;
  // The caller's cookie text with the response's cookies merged over it
  // (MergeCookies): what a caller carries on to its next request.
  Text cookies;
  // The header text as completed with the default lines and sent.
  Text sentHeaders;
  // The body the request carried; empty for GET, which sends none.
  Bytes sentBody;
  HttpFailure failure = HttpFailure::kNone;

  bool Completed() const { return failure == HttpFailure::kNone; }
};

}  // namespace albumdl
