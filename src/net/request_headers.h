// The browser-like request defaults and the response header text shared by
// WebRequest and WinHttpRequest. Internal to src/net.
#pragma once

#include <vector>

#include "text/text.h"

namespace albumdl::net_internal {

inline const Text kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// 0 GET, 1 POST, 2 HEAD; anything else GET.
Text MethodVerb(int method);

// Completes a request header text in place with the default lines a desktop
// browser sends (Accept, Referer, Accept-Language, then User-Agent when asked
// for, then Content-Type), each appended only when the text does not already
// hold that name followed by a colon (case-sensitive, anywhere in the text).
void CompleteHeaderText(Text& headers, const Text& url, bool withUserAgent);

// The response's lines joined, each ended by CR LF, with the status line or
// without it; every "Set-Cookie" in any letter case is rewritten as
// "Set-Cookie" so case-sensitive searches find them all.
Text ResponseHeaderText(const std::vector<Text>& responseLines, bool withStatusLine);

}  // namespace albumdl::net_internal
