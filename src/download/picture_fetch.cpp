#include "download/picture_fetch.h"

#include "net/transfer_limits.h"
#include "net/winhttp_request.h"

namespace albumdl {

Fetched FetchPicture(DownloadContext& context, const Text& url, const Text& refererLine) {
  CookieJar& cookies = context.session.sessionCookies;
  return FetchWithAttempts(
      context.gate, context.pacer, kPictureAttemptPolicy,
      [&] {
        HttpResult reply = WinHttpRequest({.url = url,
                                           .cookies = cookies.Get(),
                                           .headers = refererLine,
                                           .limits = kPictureLimits});
        // A failed exchange changes nothing; a good one adds what it set.
        if (reply.Completed()) cookies.MergeIn(reply.returnedCookies);
        return reply;
      },
      JudgePicture);
}

}  // namespace albumdl
