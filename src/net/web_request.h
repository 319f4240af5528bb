// One complete HTTP exchange with the browser-like defaults of a desktop client.
// Pages the board download reads come through here. Never throws, never logs:
// every failure ends in an empty body.
#pragma once

#include "text/text.h"

namespace albumdl {

// method: 0 GET, 1 POST, 2 HEAD (HEAD is sent like POST); other values mean GET.
// cookies: nullptr means "not supplied": the process-wide cookie store is then
// read and written for this request; when supplied (even empty) the store is left
// alone, a Cookie line is sent when it is not empty, and it is merged with what
// the response set. headers: in/out, completed with the default lines in place.
Bytes WebRequest(const Text& url, int method = 0, const Text& postText = "",
                 Text* cookies = nullptr, Text* returnedCookies = nullptr, Text* headers = nullptr,
                 Text* returnedHeaders = nullptr, bool noRedirect = false,
                 Bytes* postBytes = nullptr, const Text& proxy = "");

}  // namespace albumdl
