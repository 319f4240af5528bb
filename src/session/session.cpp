#include "session/session.h"

#include "net/url_cookies.h"

namespace albumdl {

Text CookieJar::Get() const {
  std::lock_guard lock(mutex_);
  return cookies_;
}

void CookieJar::Set(const Text& cookies) {
  std::lock_guard lock(mutex_);
  cookies_ = cookies;
}

void CookieJar::MergeIn(const Text& answerCookies) {
  if (answerCookies.empty()) return;
  std::lock_guard lock(mutex_);
  Text answer = answerCookies;
  MergeCookies(cookies_, answer);
}

}  // namespace albumdl
