// The libcurl state the whole process shares: one-time library set-up and the
// share every transfer attaches to. Internal to src/net.
#pragma once

#include <curl/curl.h>

namespace albumdl::net_internal {

// Name lookups and TLS sessions. Cookies are not libcurl's to keep: the
// session's CookieJar (cookie_jar.h) holds them.
CURLSH* PlainShare();

}  // namespace albumdl::net_internal
