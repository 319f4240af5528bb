// The stand-in image-board site: boards, searches, pictures on an image host
// (the path prefix /img), a login page that sets a session cookie, a version
// page, fault switches and, when asked for, a record of the requests.
// Everything it serves is UTF-8. Tests start it in-process on a free loopback
// port.
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

// Parts of a pin's JSON sent as raw JSON text instead of what the pin holds, for
// answers a sound site never gives: a pin_id that is a string ("\"../x\"") or
// an object, a key nested thousands of levels deep. Empty: the usual value.
struct RawPinJson {
  std::string pinId;  // in place of the pin_id number
  std::string key;    // in place of the file key string
};

struct Board {
  std::string id;     // any text; ids with "/" are found by their whole path
  std::string title;  // UTF-8
  std::vector<Pin> pins;
  bool isPrivate = false;             // answers in full only to a signed-in session
  std::optional<long long> pinCount;  // what the answer claims; default pins.size()
  // Pins per page the site hands out at most (a site may give fewer than asked).
  int pageLimit = 100;
  // Every page starts at the newest pin, wherever it was asked to start: a
  // site that ignores the page cursor.
  bool ignoresCursor = false;
  // The title goes between its quotes byte for byte, not escaped, as a site
  // that writes its JSON by hand would send it: control bytes, quotes and
  // invalid UTF-8 reach the client as they are.
  bool rawTitle = false;
  std::string rawPinCount;                  // sent as the pin_count when not empty
  std::map<long long, RawPinJson> rawPins;  // by the pinId of the pin they change
};

struct Search {
  std::string keyword;  // what the search matches (q without a trailing "_")
  std::string text;     // the query text the answer reports, UTF-8
  std::vector<Pin> pins;
  std::optional<long long> total;  // default pins.size()
  std::vector<int> emptyPages;     // 1-based pages answered without pins
  bool rawText = false;            // text sent byte for byte, as Board::rawTitle
  std::string rawTotal;            // sent as the total when not empty (400 digits, say)
  std::map<long long, RawPinJson> rawPins;
};

// A fault for the requests whose path starts with a prefix ("/img/", "/boards/b1/").
// The command line of albumdl-demo-site writes them as --fault (fault_setting.h).
struct Fault {
  enum class Kind {
    kStatus,      // answer status with a short text body, and Retry-After when asked
    kReset,       // cut the connection before a byte of the answer is sent
    kTruncate,    // Content-Length promises the whole body; part of it is sent, then
                  // the connection closes
    kDelay,       // wait delayMs, then answer normally
    kBadJson,     // status 200 with JSON that no parser accepts
    kEmptyBody,   // status 200 with an empty body
    kNotPicture,  // status 200, an image Content-Type, a body that is no picture
    kTrickle,     // the normal answer, trickleBytes at a time every trickleMs
    kHuge,        // the normal answer's bytes, then zero bytes up to hugeMegabytes MiB
    kCut,         // no Content-Length, part of the body, then the connection closes: a
                  // body that ends only with its connection, cut short
    kCompress,    // the normal answer, its body compressed (Content-Encoding), whatever
                  // the request asked for
  };
  // What a kNotPicture body holds instead of the picture.
  enum class Imposter { kJson, kText, kHtml };
  // How a kCompress body is coded.
  enum class Coding { kGzip, kDeflate };

  Kind kind = Kind::kStatus;
  int status = 500;           // kStatus
  int delayMs = 0;            // kDelay: wait this long, then answer normally
  int retryAfter = -1;        // kStatus: a Retry-After header when >= 0
  int firstN = -1;            // only the first N matching requests (-1: all)
  int skipFirst = 0;          // the first N matching requests pass untouched (a board's
                              // answer before its pages, on the same path)
  double fraction = 1.0;      // or this share of them, chosen deterministically
  long long truncateAt = -1;  // kTruncate, kCut: bytes sent; -1 half the body (at most size - 1)
  Imposter imposter = Imposter::kHtml;  // kNotPicture
  Coding coding = Coding::kGzip;        // kCompress
  int trickleBytes = 4;                 // kTrickle
  int trickleMs = 100;                  // kTrickle
  long long hugeMegabytes = 64;         // kHuge: body size in MiB (2^20 bytes)
  bool hugeLength = true;               // kHuge: with a Content-Length, else the body ends when the
                                        // connection closes
};

// An answer sent exactly as given, for one request target: status, header lines
// and body, nothing of the site's own. The body is either body or, when pieces
// is set, made while it is sent: pieces(0), pieces(1), ... until one returns an
// empty string, so a body of any size is never held whole.
struct RawAnswer {
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;  // Content-Type included
  std::string body;
  std::function<std::string(size_t index)> pieces;
  // With pieces: the Content-Length sent (kept to or not: a body that ends
  // early closes the connection); without it the body ends when the
  // connection closes, or is chunked when chunked is set.
  std::optional<unsigned long long> contentLength;
  bool chunked = false;
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

  // Listens on address (127.0.0.1 unless another loopback address such as
  // 127.0.0.2 or ::1 is given); port 0 picks a free one. False when it cannot
  // bind.
  bool Start(int port = 0, const std::string& address = "127.0.0.1");
  void Stop();
  int Port() const;
  // "http://127.0.0.1:<port>", or the address it listens on ("http://[::1]:<port>").
  std::string SiteHost() const;
  std::string ImageHost() const;  // SiteHost() + "/img"

  void AddBoard(const Board& board);
  // Pins new pins on top of a board, as its owner would between two visits:
  // count pins with ids above its newest (newest first), keys named after the
  // board and the id. Returns them; none when there is no such board. A
  // running site does the same for /demo/grow?board=ID&pins=N.
  std::vector<Pin> GrowBoard(const std::string& boardId, int count);
  void AddSearch(const Search& search);
  void SetFault(const std::string& pathPrefix, const Fault& fault);
  void ClearFaults();
  // Every answer waits this long first, as over a slow network; requests on
  // different connections wait side by side. 0 (the default) for none.
  void SetLatency(int ms);
  // Answers requests whose target (path and query as sent) is target, or whose
  // percent-decoded path is target, with answer instead of the site's own.
  // The target match wins over the path match. Faults and latency still apply.
  void SetRawAnswer(const std::string& target, RawAnswer answer);
  void ClearRawAnswers();

  // The site keeps no record of the requests it answers until asked to: one
  // that serves for days must not grow with every request. From now on it
  // keeps the latest `most` of them (0: none again), each body cut to
  // kMostKeptBodyBytes.
  void KeepRequests(size_t most = kKeptRequests);
  static constexpr size_t kKeptRequests = 10000;
  static constexpr size_t kMostKeptBodyBytes = 64 * 1024;
  // The kept requests, oldest first.
  std::vector<RequestRecord> Requests() const;
  // Called for every request as it comes, kept or not (under the site's lock:
  // keep it short).
  void SetRequestObserver(std::function<void(const RequestRecord&)> observer);
  void ClearRequests();
  // Distinct client connections seen since the last ClearRequests, while
  // requests are kept.
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
