// Program-wide state of the album retrieval and the downloads.
#pragma once

#include <mutex>
#include <string>

#include "platform/program_directory.h"
#include "session/site_addresses.h"
#include "text/text.h"

namespace albumdl {

// The session's cookies, kept the way a browser's cookie jar keeps them: what
// an answer sets is merged in over the rest, an answer that sets nothing
// changes nothing, and a cookie set to "deleted" goes. The retrieval thread
// and the download threads (every lane of a run) read and rewrite it; every
// access is one whole step under the lock, and the lock is never held across
// a request, so no thread sees another's half-written text or waits on its
// transfer.
class CookieJar {
 public:
  CookieJar() = default;
  CookieJar(const CookieJar&) = delete;
  CookieJar& operator=(const CookieJar&) = delete;

  Text Get() const;
  void Set(const Text& cookies);
  CookieJar& operator=(const Text& cookies) {
    Set(cookies);
    return *this;
  }
  // The cookies an answer set (name=value items) go in over the others.
  void MergeIn(const Text& answerCookies);

 private:
  mutable std::mutex mutex_;
  Text cookies_;
};

struct Session {
  Site site;
  // Code page 936, no trailing separator. Never empty: files would land at the
  // root of the file system.
  Text programDirectory = platform::ProgramDirectory();
  // SessionCookies: sent with album answers and pictures and rewritten by their
  // answers, by the retrieval on the window thread and by the download on its
  // own thread alike.
  CookieJar sessionCookies;
  // The merge base of the retrieval; only the one retrieval running touches it.
  Text viewerCookies;
};

}  // namespace albumdl
