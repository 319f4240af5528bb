// The proxy every request goes through unless it names one of its own. Set
// once at start-up (--proxy, the settings file) before any request is made.
// Empty, the default: the environment's proxy variables as curl reads them
// (http_proxy, https_proxy, all_proxy and no_proxy, in lower or upper case,
// but http_proxy only in lower case), else a direct connection.
#pragma once

#include "text/text.h"

namespace albumdl {

// "http://host:port", "host:port", "socks5://host:port"; empty: the environment.
void SetDefaultProxy(const Text& proxy);
Text DefaultProxy();

}  // namespace albumdl
