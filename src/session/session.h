// Program-wide state of the album retrieval and the downloads: the site, the
// program directory and the session's one cookie jar. Both front ends make it
// with SetUpSession (session_setup.h).
#pragma once

#include "net/cookie_jar.h"
#include "platform/program_directory.h"
#include "session/site_addresses.h"
#include "text/text.h"

namespace albumdl {

struct Session {
  Site site;
  // Code page 936, no trailing separator. Never empty: files would land at the
  // root of the file system.
  Text programDirectory = platform::ProgramDirectory();
  // Every cookie of the session, with the host it belongs to: the viewer's
  // sign-in and a cookies.txt go in, and every request of the retrieval and the
  // downloads that is given it (.jar = &session.cookies) sends what matches its
  // address and takes in what its answer sets, on whichever thread it runs.
  // What the site's own host gets is CookieLineFor(site.siteHost + "/").
  CookieJar cookies;
};

}  // namespace albumdl
