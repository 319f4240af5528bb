#include "download/picture_fetch.h"

#include "net/transfer_limits.h"
#include "net/winhttp_request.h"

namespace albumdl {

Fetched FetchPicture(DownloadContext& context, const Text& url, const Text& refererLine) {
  CookieJar& cookies = context.session.cookies;
  return FetchWithAttempts(
      context.gate, context.pacer, kPictureAttemptPolicy,
      [&] {
        return WinHttpRequest(
            {.url = url, .headers = refererLine, .limits = kPictureLimits, .jar = &cookies});
      },
      JudgePicture);
}

}  // namespace albumdl
