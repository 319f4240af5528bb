// The libcurl state the whole process shares: one-time library set-up and the
// two shares every transfer attaches to. Internal to src/net.
#pragma once

#include <curl/curl.h>

namespace albumdl::net_internal {

// The share that holds the process-wide cookie store, plus name lookups and TLS
// sessions. Only transfers that use the cookie store attach to it.
CURLSH* CookieStoreShare();
// Name lookups and TLS sessions only: transfers that carry their caller's own
// cookie text attach here, so the store is neither read nor written by them.
CURLSH* PlainShare();

}  // namespace albumdl::net_internal
