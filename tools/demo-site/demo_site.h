// The stand-in image-board site: boards, searches, pictures on an image host
// (the path prefix /img), a login page that sets a session cookie, a version
// page, fault switches and a record of every request. Everything it serves is
// UTF-8. Tests start it in-process on a free loopback port.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace demosite {

struct Pin {
  long long pinId = 0;
  std::string key;   // the picture's name on the image host
  std::string type;  // media type: "image/png", "image/jpeg", "image/gif", or anything
};

struct Board {
  std::string id;
  std::string title;  // UTF-8
  std::vector<Pin> pins;
  bool isPrivate = false;             // answers in full only to a signed-in session
  std::optional<long long> pinCount;  // what the answer claims; default pins.size()
  // Pins per page the site hands out at most (a site may give fewer than asked).
  int pageLimit = 100;
};

struct Search {
  std::string keyword;  // what the search matches (q without a trailing "_")
  std::string text;     // the query text the answer reports, UTF-8
  std::vector<Pin> pins;
  std::optional<long long> total;  // default pins.size()
  std::vector<int> emptyPages;     // 1-based pages answered without pins
};

// A fault for the requests whose path starts with a prefix ("/img/", "/boards/b1/").
struct Fault {
  enum class Kind { kStatus, kReset, kTruncate, kDelay, kBadJson, kEmptyBody };
  Kind kind = Kind::kStatus;
  int status = 500;       // kStatus
  int delayMs = 0;        // kDelay: wait this long, then answer normally
  int retryAfter = -1;    // kStatus: a Retry-After header when >= 0
  int firstN = -1;        // only the first N matching requests (-1: all)
  double fraction = 1.0;  // or this share of them, chosen deterministically
};

struct RequestRecord {
  std::string method;
  std::string target;                               // path and query as sent
  std::multimap<std::string, std::string> headers;  // by name; order is not kept
  std::string body;
  int remotePort = 0;  // one per connection

  // The first value of the header, its name compared without letter case;
  // empty when absent.
  std::string Header(const std::string& name) const;
};

class DemoSite {
 public:
  // The built-in data set (see demo_data.cpp) unless empty is true.
  explicit DemoSite(bool empty = false);
  ~DemoSite();
  DemoSite(const DemoSite&) = delete;
  DemoSite& operator=(const DemoSite&) = delete;

  // Listens on 127.0.0.1; port 0 picks a free one. False when it cannot bind.
  bool Start(int port = 0);
  void Stop();
  int Port() const;
  std::string SiteHost() const;   // "http://127.0.0.1:<port>"
  std::string ImageHost() const;  // SiteHost() + "/img"

  void AddBoard(const Board& board);
  void AddSearch(const Search& search);
  void SetFault(const std::string& pathPrefix, const Fault& fault);
  void ClearFaults();

  std::vector<RequestRecord> Requests() const;
  // Called for every request as it is recorded (under the site's lock: keep it short).
  void SetRequestObserver(std::function<void(const RequestRecord&)> observer);
  void ClearRequests();
  // Distinct client connections seen since the last ClearRequests.
  int ConnectionCount() const;

  // Replaces the text the version page (/version) serves; the built-in one
  // until then.
  void SetVersionText(const std::string& text);

  // The session cookie the login form sets, "sid".
  static std::string SessionCookieName();
  // Signs a visitor in without the form: a token the site accepts as the value
  // of the session cookie from now on.
  std::string IssueSession();
  // The bytes served for a key: a small valid PNG, JPEG or GIF chosen by the
  // key's extension (.png, .jpg, .gif; else JPEG), deterministic from the key.
  static std::string PictureBytes(const std::string& key);
  // The Content-Type served with those bytes.
  static std::string PictureContentType(const std::string& key);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace demosite
