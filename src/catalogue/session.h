// Program-wide state of the album retrieval and the downloads.
#pragma once

#include <mutex>
#include <string>

#include "net/site.h"
#include "platform/program_directory.h"
#include "text/text.h"

namespace albumdl {

// A text that the window thread and the download thread both read and rewrite:
// a retrieval may run while a download is under way. Every access is a whole
// copy under the lock, and the lock is never held across a request, so neither
// thread can see the other's half-written text or wait on its transfer.
class SharedText {
 public:
  SharedText() = default;
  SharedText(const SharedText&) = delete;
  SharedText& operator=(const SharedText&) = delete;

  Text Get() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  void Set(const Text& text) {
    std::lock_guard lock(mutex_);
    text_ = text;
  }
  SharedText& operator=(const Text& text) {
    Set(text);
    return *this;
  }

 private:
  mutable std::mutex mutex_;
  Text text_;
};

struct Session {
  Site site;
  // Code page 936, no trailing separator. Never empty: files would land at the
  // root of the file system.
  Text programDirectory = platform::ProgramDirectory();
  // SessionCookies: sent with album answers and pictures and rewritten by their
  // answers, by the retrieval on the window thread and by the download on its
  // own thread alike.
  SharedText sessionCookies;
  // The merge base of the retrieval; only the one retrieval running touches it.
  Text viewerCookies;
};

}  // namespace albumdl
