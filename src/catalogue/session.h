// Program-wide state of the album retrieval and the downloads.
#pragma once

#include <mutex>
#include <string>

#include "net/site.h"
#include "text/text.h"

namespace albumdl {

struct Session {
  Site site;
  Text programDirectory;  // code page 936, no trailing separator
  // Sent with album answers and pictures and rewritten by their answers. Only the
  // one retrieval or download running touches them.
  Text sessionCookies;
  Text viewerCookies;
};

}  // namespace albumdl
