#include "net/cookie_store.h"

#include <curl/curl.h>

#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <sstream>

#include "net/curl_shares.h"
#include "net/curl_transfer.h"
#include "net/url_cookies.h"
#include "platform/file_system.h"

namespace albumdl {
namespace {

// Runs work with an easy handle whose cookie engine is the store's.
void WithStoreHandle(const std::function<void(CURL*)>& work) {
  CURLSH* share = net_internal::CookieStoreShare();
  CURL* easy = curl_easy_init();
  if (!easy) return;
  curl_easy_setopt(easy, CURLOPT_SHARE, share);
  work(easy);
  curl_easy_cleanup(easy);
}

// Tabs and line breaks separate the fields and lines of the cookie-file
// format the store is fed with; inside a name or value they are dropped.
Text CookieField(const Text& text) {
  Text out;
  for (char c : text) {
    if (c != '\t' && c != '\r' && c != '\n') out += c;
  }
  return out;
}

struct StoredCookie {
  Text domain;
  bool includeSubdomains = false;
  Text path;
  bool secure = false;
  long long expires = 0;
  Text name;
  Text value;
};

bool ParseCookieLine(Text line, StoredCookie& cookie) {
  const Text httpOnly = "#HttpOnly_";
  if (line.rfind(httpOnly, 0) == 0) line = line.substr(httpOnly.size());
  std::vector<Text> fields;
  size_t from = 0;
  for (size_t tab = line.find('\t'); tab != Text::npos; tab = line.find('\t', from)) {
    fields.push_back(line.substr(from, tab - from));
    from = tab + 1;
  }
  fields.push_back(line.substr(from));
  if (fields.size() < 6) return false;
  cookie.domain = TextLower(fields[0]);
  if (!cookie.domain.empty() && cookie.domain[0] == '.') cookie.domain.erase(0, 1);
  cookie.includeSubdomains = fields[1] == "TRUE";
  cookie.path = fields[2];
  cookie.secure = fields[3] == "TRUE";
  cookie.expires = TextToInt(fields[4]);
  cookie.name = fields[5];
  cookie.value = fields.size() > 6 ? fields[6] : "";
  return true;
}

bool DomainMatches(const StoredCookie& cookie, const Text& host) {
  if (host == cookie.domain) return true;
  if (!cookie.includeSubdomains) return false;
  const Text suffix = "." + cookie.domain;
  return host.size() > suffix.size() &&
         host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The cookie path is a prefix of the request path, ending at a "/" boundary.
bool PathMatches(const Text& cookiePath, const Text& requestPath) {
  if (cookiePath.empty() || cookiePath == "/") return true;
  if (requestPath.rfind(cookiePath, 0) != 0) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' ||
         requestPath[cookiePath.size()] == '/';
}

}  // namespace

void StoreCookies(const Text& host, const Text& cookieText) {
  // A host may come with scheme, port or path; cookies belong to the bare name.
  const Text name = UrlHost(host);
  if (name.empty()) return;
  WithStoreHandle([&](CURL* easy) {
    for (const Text& piece : TextSplit(cookieText, ";")) {
      const Text item = TextTrim(piece);
      if (item.empty()) continue;
      const int equals = TextFind(item, "=");
      const Text value = equals > 0 ? TextTrim(TextMid(item, equals + 1, item.size())) : "";
      // Host-only session cookie, in the cookie-file format libcurl reads.
      const Text line = CookieField(name) + "\tFALSE\t/\tFALSE\t0\t" +
                        CookieField(CookieName(item)) + "\t" + CookieField(value);
      curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
    }
  });
}

void ForgetStoredCookies(const Text& host, const Text& cookieNames) {
  const Text name = UrlHost(host);
  if (name.empty()) return;
  WithStoreHandle([&](CURL* easy) {
    for (const Text& piece : TextSplit(cookieNames, ";")) {
      const Text cookie = CookieField(CookieName(TextTrim(piece)));
      if (cookie.empty()) continue;
      // The same cookie, expired long ago: libcurl drops the one it holds.
      const Text line = CookieField(name) + "\tFALSE\t/\tFALSE\t1\t" + cookie + "\t";
      curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
    }
  });
}

void StoreCookiesNotHeld(const Text& url, const Text& cookieText) {
  std::set<Text> held;
  for (const Text& item : TextSplit(StoredCookiesFor(url), ";")) held.insert(CookieName(item));
  Text missing;
  for (const Text& item : TextSplit(cookieText, ";")) {
    if (TextTrim(item).empty() || held.count(CookieName(item)) > 0) continue;
    missing += item + ";";
  }
  if (!missing.empty()) StoreCookies(url, missing);
}

namespace {

void LoadCookieLines(std::istream& lines) {
  WithStoreHandle([&](CURL* easy) {
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // Comment and blank lines carry nothing; "#HttpOnly_" lines are cookies.
      if (line.empty() || (line[0] == '#' && line.rfind("#HttpOnly_", 0) != 0)) continue;
      curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
    }
  });
}

}  // namespace

bool LoadCookieFile(const std::string& nativePath) {
  const std::optional<Bytes> content =
      platform::Files().Read(platform::NativePath::FromSystem(nativePath));
  if (!content) return false;
  std::istringstream file(*content);
  LoadCookieLines(file);
  return true;
}

void LoadCookieText(const std::string& content) {
  std::istringstream lines(content);
  LoadCookieLines(lines);
}

Text StoredCookiesFor(const Text& url) {
  const Text address = net_internal::AddressWithScheme(url);
  const Text host = UrlHost(address);
  Text path = UrlPath(address);
  path = path.substr(0, path.find_first_of("?#"));
  const bool secure = TextLower(TextLeft(address, 5)) == "https";
  const long long now = static_cast<long long>(std::time(nullptr));
  Text result;
  WithStoreHandle([&](CURL* easy) {
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &list) != CURLE_OK) return;
    for (curl_slist* entry = list; entry; entry = entry->next) {
      StoredCookie cookie;
      if (!ParseCookieLine(entry->data, cookie)) continue;
      if (!DomainMatches(cookie, host) || !PathMatches(cookie.path, path)) continue;
      if (cookie.secure && !secure) continue;
      if (cookie.expires != 0 && cookie.expires <= now) continue;
      if (!result.empty()) result += "; ";
      result += cookie.name + "=" + cookie.value;
    }
    curl_slist_free_all(list);
  });
  return result;
}

void ClearCookieStore() {
  WithStoreHandle([](CURL* easy) { curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL"); });
}

}  // namespace albumdl
