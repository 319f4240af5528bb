// Fetching one picture from the image host. A picture is only good when it
// arrived whole and its bytes are a picture: anything else is tried again (up
// to 3 times, 2000 ms apart; a 429 waits its Retry-After) or given up (404,
// 410, a refused sign-in, a body over the limit), never saved.
#pragma once

#include "download/download_run.h"
#include "site/fetch_attempts.h"
#include "text/text.h"

namespace albumdl {

// The Referer line is the only header sent, with the session's cookies for the
// picture's address; what each answer sets goes into the jar.
Fetched FetchPicture(DownloadContext& context, const Text& url, const Text& refererLine);

}  // namespace albumdl
