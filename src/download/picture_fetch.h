// Fetching one picture from the image host. A picture is only good when it
// arrived whole: a failed transfer, an error status, a short body or an HTML
// page in its place is tried again rather than saved.
#pragma once

#include "control/pacer.h"
#include "net/response_headers.h"
#include "text/text.h"

namespace albumdl {

inline constexpr int kPictureAttempts = 3;
inline constexpr int kPictureRetryPauseMs = 2000;
inline constexpr int kMostRetryAfterMs = 60000;

struct PictureFetch {
  Bytes body;
  bool ok = false;     // body is the complete picture
  bool ended = false;  // the run was ended meanwhile
};

// Up to 3 attempts, 2000 ms apart (a 429 answer waits for its Retry-After, at
// most 60 s, instead); a 404 is not tried again. The Referer line is the only
// header sent; sessionCookies is sent and rewritten by every answer. Every
// attempt waits at the gate first, so a paused run asks for nothing.
PictureFetch FetchPicture(const Text& url, const Text& refererLine, Text& sessionCookies,
                          Pacer& pacer, RunGate& gate);

// Judges one answer: true when it holds a complete picture.
bool IsCompletePicture(const Bytes& body, int status, const ResponseHeaders& headers);

}  // namespace albumdl
