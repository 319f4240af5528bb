#include "net/cookie_jar.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <sstream>
#include <string_view>

#include "net/address_parts.h"

namespace albumdl {
namespace {

using Address = net_internal::AddressParts;
using net_internal::ParseAddress;

Text Lower(std::string_view text) {
  Text out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

bool IsIpAddress(const Text& host) {
  if (!host.empty() && host.front() == '[') return true;
  return !host.empty() && host.find_first_not_of("0123456789.") == Text::npos;
}

// A host given as "::1" is written "[::1]", as addresses carry it.
Text CanonicalHost(Text host) {
  host = Lower(host);
  while (!host.empty() && host.front() == '.') host.erase(0, 1);
  if (host.find(':') != Text::npos && host.front() != '[') {
    host.insert(host.begin(), '[');
    host.push_back(']');
  }
  return host;
}

// 80 and 443 are one site's two doors; any other port is a site of its own.
bool SamePort(int a, int b) {
  const auto isDefault = [](int port) { return port == 80 || port == 443; };
  return a == b || (isDefault(a) && isDefault(b));
}

// The host equals the domain, or is a name below it (never an IP address).
bool DomainMatches(const Text& host, const Text& domain) {
  if (host == domain) return true;
  if (IsIpAddress(host) || host.size() <= domain.size()) return false;
  return host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
         host[host.size() - domain.size() - 1] == '.';
}

// The cookie path is the request path, or a prefix of it that ends at a "/".
bool PathMatches(const Text& cookiePath, const Text& requestPath) {
  if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' ||
         requestPath[cookiePath.size()] == '/';
}

// The path a cookie without Path= gets: the request path up to its last "/".
Text DefaultPath(const Text& requestPath) {
  const size_t slash = requestPath.rfind('/');
  if (requestPath.empty() || requestPath[0] != '/' || slash == 0 || slash == Text::npos) return "/";
  return requestPath.substr(0, slash);
}

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

bool HasControlBytes(const Text& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 && byte != '\t';
  });
}

long long Now() { return static_cast<long long>(std::time(nullptr)); }

bool Expired(const Cookie& cookie, long long now) {
  return cookie.expires != 0 && cookie.expires <= now;
}

// The domains whose cookies may go to host: the host itself and, for a name,
// every domain above it ("a.b.c": a.b.c, b.c, c).
std::vector<Text> DomainsAbove(const Text& host) {
  std::vector<Text> domains{host};
  if (IsIpAddress(host)) return domains;
  for (size_t dot = host.find('.'); dot != Text::npos; dot = host.find('.', dot + 1)) {
    if (dot + 1 < host.size()) domains.push_back(host.substr(dot + 1));
  }
  return domains;
}

// The cookie a Set-Cookie value of the answer from `from` sets; nothing when
// it is refused.
std::optional<Cookie> ParseSetCookie(const Address& from, const Text& setCookie, long long now) {
  std::string_view rest(setCookie);
  const size_t semicolon = rest.find(';');
  const std::string_view pair = rest.substr(0, semicolon);
  rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
  const size_t equals = pair.find('=');
  if (equals == std::string_view::npos) return std::nullopt;

  Cookie cookie;
  cookie.name = Text(Trimmed(pair.substr(0, equals)));
  cookie.value = Text(Trimmed(pair.substr(equals + 1)));
  cookie.domain = from.host;
  cookie.port = from.port;
  cookie.path = DefaultPath(from.path);
  bool maxAgeSeen = false;
  while (!rest.empty()) {
    const size_t next = rest.find(';');
    const std::string_view attribute = rest.substr(0, next);
    rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
    const size_t mark = attribute.find('=');
    const Text key = Lower(Trimmed(attribute.substr(0, mark)));
    const Text value =
        mark == std::string_view::npos ? Text() : Text(Trimmed(attribute.substr(mark + 1)));
    if (key == "domain" && !value.empty()) {
      const Text domain = CanonicalHost(value);
      // Only for the answering host or a domain above it; a domain of a
      // single label ("com") is nobody's.
      if (!DomainMatches(from.host, domain)) return std::nullopt;
      if (domain != from.host && domain.find('.') == Text::npos) return std::nullopt;
      cookie.domain = domain;
      cookie.hostOnly = false;
    } else if (key == "path") {
      cookie.path = !value.empty() && value[0] == '/' ? value : DefaultPath(from.path);
    } else if (key == "max-age") {
      const bool number = !value.empty() && value.find_first_not_of("-0123456789") == Text::npos;
      if (!number) continue;
      const long long seconds = std::atoll(value.c_str());
      cookie.expires = seconds <= 0 ? 1 : now + seconds;
      maxAgeSeen = true;
    } else if (key == "expires" && !maxAgeSeen) {
      const time_t when = curl_getdate(value.c_str(), nullptr);
      if (when != -1) cookie.expires = when <= 0 ? 1 : static_cast<long long>(when);
    } else if (key == "secure") {
      cookie.secure = true;
    } else if (key == "httponly") {
      cookie.httpOnly = true;
    }
  }
  // A Secure cookie comes only over a secure connection.
  if (cookie.secure && !from.Secure()) return std::nullopt;
  return cookie;
}

}  // namespace

bool CookieJar::TakeSetCookie(const Text& url, const Text& setCookie) {
  const Address from = ParseAddress(url);
  if (!from.valid) return false;
  const long long now = Now();
  std::optional<Cookie> cookie = ParseSetCookie(from, setCookie, now);
  if (!cookie) return false;
  std::lock_guard lock(mutex_);
  return PutLocked(std::move(*cookie), now);
}

void CookieJar::TakeAnswer(const Text& url, const std::vector<Text>& setCookies) {
  if (setCookies.empty()) return;
  // The address is read once for all of an answer's cookies.
  const Address from = ParseAddress(url);
  if (!from.valid) return;
  const long long now = Now();
  std::lock_guard lock(mutex_);
  for (const Text& value : setCookies) {
    if (std::optional<Cookie> cookie = ParseSetCookie(from, value, now)) {
      PutLocked(std::move(*cookie), now);
    }
  }
}

bool CookieJar::Put(Cookie cookie) {
  cookie.domain = CanonicalHost(cookie.domain);
  if (cookie.path.empty() || cookie.path[0] != '/') cookie.path.assign(1, '/');
  std::lock_guard lock(mutex_);
  return PutLocked(std::move(cookie), Now());
}

bool CookieJar::PutLocked(Cookie cookie, long long now) {
  if (cookie.name.empty() || cookie.domain.empty()) return false;
  if (cookie.name.size() + cookie.value.size() > kMostBytes) return false;
  // A cookie goes out inside a header line: nothing in it may end the line.
  if (HasControlBytes(cookie.name) || HasControlBytes(cookie.value) ||
      HasControlBytes(cookie.path) || cookie.name.find_first_of("=;") != Text::npos ||
      cookie.value.find(';') != Text::npos) {
    return false;
  }
  std::vector<Held>& held = byDomain_[cookie.domain];
  unsigned long long created = ++arrivals_;
  for (size_t i = 0; i < held.size(); ++i) {
    const Cookie& old = held[i].cookie;
    if (old.name == cookie.name && old.path == cookie.path && old.port == cookie.port &&
        old.hostOnly == cookie.hostOnly) {
      created = held[i].created;
      RemoveAtLocked(cookie.domain, i);
      break;
    }
  }
  // An expiry in the past, or the value "deleted", only removes.
  if (Expired(cookie, now) || cookie.value == "deleted") {
    if (held.empty()) byDomain_.erase(cookie.domain);
    return true;
  }
  const Text domain = cookie.domain;
  // Kept in order of arrival: a replaced cookie keeps its place.
  const auto at = std::find_if(held.begin(), held.end(),
                               [created](const Held& h) { return h.created > created; });
  held.insert(at, Held{std::move(cookie), created});
  ++count_;
  EvictLocked(domain, now);
  return true;
}

void CookieJar::RemoveAtLocked(const Text& domain, size_t index) {
  std::vector<Held>& held = byDomain_[domain];
  held.erase(held.begin() + static_cast<std::ptrdiff_t>(index));
  --count_;
}

void CookieJar::EvictLocked(const Text& domain, long long now) {
  // The first cookie to go: an expired one, else the oldest an answer set,
  // else the oldest of all.
  const auto victim = [now](const std::vector<Held>& held) -> size_t {
    size_t answerSet = held.size();
    for (size_t i = 0; i < held.size(); ++i) {
      if (Expired(held[i].cookie, now)) return i;
      if (!held[i].cookie.fromUser && answerSet == held.size()) answerSet = i;
    }
    return answerSet < held.size() ? answerSet : 0;
  };
  std::vector<Held>& held = byDomain_[domain];
  if (held.size() > kMostPerDomain) {
    // Several over (a cookie file loaded at once) are rare: one at a time.
    while (held.size() > kMostPerDomain) RemoveAtLocked(domain, victim(held));
  }
  while (count_ > kMostInAll) {
    // The oldest cookie of the whole jar, among its answer-set ones first.
    const Text* oldestDomain = nullptr;
    unsigned long long oldest = 0;
    bool oldestFromUser = true;
    for (const auto& [name, cookies] : byDomain_) {
      if (cookies.empty()) continue;
      const Held& first = cookies[victim(cookies)];
      const bool better = oldestDomain == nullptr || (oldestFromUser && !first.cookie.fromUser) ||
                          (oldestFromUser == first.cookie.fromUser && first.created < oldest);
      if (better) {
        oldestDomain = &name;
        oldest = first.created;
        oldestFromUser = first.cookie.fromUser;
      }
    }
    if (oldestDomain == nullptr) break;
    const Text from = *oldestDomain;
    RemoveAtLocked(from, victim(byDomain_[from]));
    if (byDomain_[from].empty()) byDomain_.erase(from);
  }
}

void CookieJar::Remove(const Text& name, const Text& domain, const Text& path) {
  const Text key = CanonicalHost(domain);
  std::lock_guard lock(mutex_);
  const auto found = byDomain_.find(key);
  if (found == byDomain_.end()) return;
  std::vector<Held>& held = found->second;
  const size_t before = held.size();
  std::erase_if(held, [&](const Held& h) {
    return h.cookie.name == name && (path.empty() || h.cookie.path == path);
  });
  count_ -= before - held.size();
  if (held.empty()) byDomain_.erase(found);
}

void CookieJar::LoadCookieText(const std::string& text, const Text& siteHost) {
  std::istringstream file(text);
  const Address site = ParseAddress(siteHost);
  std::string line;
  std::lock_guard lock(mutex_);
  const long long now = Now();
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Cookie cookie;
    const std::string httpOnly = "#HttpOnly_";
    if (line.rfind(httpOnly, 0) == 0) {
      cookie.httpOnly = true;
      line.erase(0, httpOnly.size());
    }
    // Comment and blank lines carry nothing.
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string_view> fields;
    std::string_view rest(line);
    for (size_t tab = rest.find('\t'); tab != std::string_view::npos; tab = rest.find('\t')) {
      fields.push_back(rest.substr(0, tab));
      rest = rest.substr(tab + 1);
    }
    fields.push_back(rest);
    if (fields.size() < 6) continue;
    const bool dotted = !fields[0].empty() && fields[0][0] == '.';
    cookie.domain = CanonicalHost(Text(fields[0]));
    cookie.hostOnly = !dotted && fields[1] != "TRUE";
    cookie.path = fields[2].empty() || fields[2][0] != '/' ? Text("/") : Text(fields[2]);
    cookie.secure = fields[3] == "TRUE";
    cookie.expires = std::atoll(Text(fields[4]).c_str());
    cookie.name = Text(fields[5]);
    cookie.value = fields.size() > 6 ? Text(fields[6]) : Text();
    cookie.fromUser = true;
    // The file names no ports: the site's cookies are the site's, on its port.
    const bool forSite = site.valid && (cookie.hostOnly ? site.host == cookie.domain
                                                        : DomainMatches(site.host, cookie.domain));
    cookie.port = forSite ? site.port : 0;
    if (Expired(cookie, now)) continue;
    PutLocked(std::move(cookie), now);
  }
}

Text CookieJar::CookieLineFor(const Text& url) const {
  const Address to = ParseAddress(url);
  if (!to.valid) return "";
  const long long now = Now();
  struct Match {
    const Held* held;
  };
  std::vector<Match> matches;
  std::lock_guard lock(mutex_);
  for (const Text& domain : DomainsAbove(to.host)) {
    const auto found = byDomain_.find(domain);
    if (found == byDomain_.end()) continue;
    for (const Held& held : found->second) {
      const Cookie& cookie = held.cookie;
      if (cookie.hostOnly && domain != to.host) continue;
      if (cookie.port != 0 && !SamePort(cookie.port, to.port)) continue;
      if (cookie.secure && !to.Secure()) continue;
      if (Expired(cookie, now) || !PathMatches(cookie.path, to.path)) continue;
      matches.push_back({&held});
    }
  }
  // Longest path first, then in order of arrival.
  std::stable_sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) {
    if (a.held->cookie.path.size() != b.held->cookie.path.size())
      return a.held->cookie.path.size() > b.held->cookie.path.size();
    return a.held->created < b.held->created;
  });
  Text line;
  for (const Match& match : matches) {
    if (!line.empty()) line += "; ";
    line += match.held->cookie.name + "=" + match.held->cookie.value;
  }
  return line;
}

std::vector<Cookie> CookieJar::Cookies() const {
  std::lock_guard lock(mutex_);
  std::vector<const Held*> all;
  for (const auto& [domain, held] : byDomain_) {
    for (const Held& h : held) all.push_back(&h);
  }
  std::sort(all.begin(), all.end(),
            [](const Held* a, const Held* b) { return a->created < b->created; });
  std::vector<Cookie> cookies;
  for (const Held* h : all) cookies.push_back(h->cookie);
  return cookies;
}

size_t CookieJar::Count() const {
  std::lock_guard lock(mutex_);
  return count_;
}

void CookieJar::Clear() {
  std::lock_guard lock(mutex_);
  byDomain_.clear();
  count_ = 0;
}

}  // namespace albumdl
