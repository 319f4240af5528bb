// The session's one cookie jar: typed cookies, each with the host it belongs
// to, kept and matched by the rules a browser applies. Every request that is
// given the jar carries the cookies that match its own address, and every
// answer it gets feeds the jar, hop by hop through redirects; the web viewer
// and a cookies.txt feed it too. Nothing else keeps cookies.
//
// How callers use it:
//   CookieJar& jar = session.cookies;                 // one per session
//   WinHttpRequest({.url = url, .jar = &jar});        // sends jar.CookieLineFor(url),
//   WebRequest({.url = url, .jar = &jar});            // takes each answer's Set-Cookie
//   jar.LoadCookieText(text, siteHost);               // --cookies, read by the caller
//   jar.Put(cookie); jar.Remove(name, domain, path);  // the viewer's store, as it changes
//   jar.CookieLineFor(siteHost + "/")                 // "a=1; b=2": what the site gets
//
// The rules:
// - A cookie belongs to a host (host-only) or to a domain and its subdomains
//   (Domain= that the setting host domain-matches; never for an IP address),
//   and to the port it was set from (80 and 443 count as one): another port of
//   the same host is another site, as far as this program is concerned.
// - An answer sets cookies only for its own host: a Domain= its host does not
//   domain-match, and a Secure cookie over plain HTTP, are refused.
// - A request carries the cookies whose host, port, path and scheme (Secure
//   ones only over https) match its address, longest path first, in one
//   Cookie line.
// - Expired cookies (Expires, Max-Age) go; so does a cookie set to "deleted",
//   the site's own way of removing one.
// - At most kMostPerDomain cookies per host or domain and kMostInAll in all,
//   at most kMostBytes of name and value each (a larger one is refused). Over
//   a cap the oldest answer-set cookies go first; what the user brought (the
//   viewer's sign-in, a cookies.txt) goes only when nothing else is left.
// - Every step is linear in the cookies of the hosts involved.
//
// Thread-safe: every call is one step under the jar's lock, never held across
// a request.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "text/text.h"

namespace albumdl {

struct Cookie {
  Text name;
  Text value;
  // Lower case, without a leading dot; an IPv6 address in brackets.
  Text domain;
  // Sent to domain alone; otherwise to domain and every host below it.
  bool hostOnly = true;
  Text path = "/";
  // The port it belongs to; 0: any port (a cookies.txt entry for another host).
  int port = 0;
  bool secure = false;
  bool httpOnly = false;
  // Seconds since the epoch; 0: until the program ends.
  long long expires = 0;
  // Brought by the user (the viewer's sign-in, a cookies.txt) rather than set
  // by an answer: the last to go when a cap is reached.
  bool fromUser = false;
};

class CookieJar {
 public:
  static constexpr size_t kMostPerDomain = 180;
  static constexpr size_t kMostInAll = 3000;
  static constexpr size_t kMostBytes = 4096;

  CookieJar() = default;
  CookieJar(const CookieJar&) = delete;
  CookieJar& operator=(const CookieJar&) = delete;

  // The Set-Cookie values (attributes and all) of the answer from url.
  void TakeAnswer(const Text& url, const std::vector<Text>& setCookies);
  // One Set-Cookie value from url; false when it was refused.
  bool TakeSetCookie(const Text& url, const Text& setCookie);
  // A cookie as a browser's store or a cookie file holds it; replaces the one
  // of the same name, domain, path and port. An expired one removes that one.
  // False when it is refused (no name, too large, a line break in it).
  bool Put(Cookie cookie);
  // Removes the cookie of this name, domain (a leading dot is ignored) and
  // path, of any port: a sign-out in the viewer.
  void Remove(const Text& name, const Text& domain, const Text& path);
  // Loads the text of a Netscape cookies.txt (the caller reads the file, as
  // it reads every file the user hands over). Its entries carry no port:
  // those for siteHost's host are the site's and belong to its port, the
  // others go to their host on any port.
  void LoadCookieText(const std::string& text, const Text& siteHost);

  // The Cookie line's value for a request to url ("a=1; b=2"), empty when no
  // cookie matches.
  Text CookieLineFor(const Text& url) const;
  // Every cookie held, oldest first (tests, the viewer's file).
  std::vector<Cookie> Cookies() const;
  size_t Count() const;
  void Clear();

 private:
  struct Held {
    Cookie cookie;
    unsigned long long created = 0;  // order of arrival; kept when replaced
  };
  bool PutLocked(Cookie cookie, long long now);
  void EvictLocked(const Text& domain, long long now);
  void RemoveAtLocked(const Text& domain, size_t index);

  mutable std::mutex mutex_;
  std::unordered_map<Text, std::vector<Held>> byDomain_;
  size_t count_ = 0;
  unsigned long long arrivals_ = 0;
};

}  // namespace albumdl
