// One HTTP exchange that carries the caller's cookie text itself and reports the
// status code. Album answers, search pages and pictures come through here.
// Never throws, never logs: every failure ends in an empty body and status 0.
#pragma once

#include "text/text.h"

namespace albumdl {

// cookies and returnedCookies may be the same variable (the callers' shared
// SessionCookies). timeoutSeconds: -1 library defaults, below 1 15 s, else that
// many seconds, per phase (connecting, and going without data), never in total.
Bytes WinHttpRequest(const Text& url, int method = 0, const Text& postText = "",
                     Text* cookies = nullptr, Text* returnedCookies = nullptr,
                     Text* headers = nullptr, Text* returnedHeaders = nullptr,
                     int* statusCode = nullptr, bool noRedirect = false,
                     const Bytes& postBytes = "", const Text& proxy = "", int timeoutSeconds = 0,
                     const Text& proxyUser = "", const Text& proxyPassword = "",
                     int proxyCredentialFlag = 1);

}  // namespace albumdl
