#include "net/curl_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "control/transfer_abort.h"
#include "net/address_parts.h"
#include "net/curl_shares.h"
#include "net/proxy.h"
#include "net/url_cookies.h"

namespace albumdl::net_internal {
namespace {

// How often a transfer waiting for the network looks at the abort predicate.
constexpr int kAbortCheckMs = 100;
constexpr long kMaxRedirects = 10;
constexpr long kReceiveBufferBytes = 256 * 1024;

// Connections to a host stay open between calls: a board of a thousand pictures
// must not open a thousand connections to the image host. Each thread keeps its
// own multi handle, whose connection cache lives as long as the thread; libcurl
// does not support one connection cache used by several threads at once. The
// thread's kept easy handle lives here too: it must be cleaned up before the
// multi handle whose connections it last used, and one object says so (the
// order in which a thread's thread_local objects go differs between C++
// runtimes; MinGW's does not reverse it).
class ThreadConnections {
 public:
  ThreadConnections() : multi_(curl_multi_init()) {
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, 8L);
  }
  ~ThreadConnections() {
    if (kept_ != nullptr) curl_easy_cleanup(kept_);
    curl_multi_cleanup(multi_);
  }
  ThreadConnections(const ThreadConnections&) = delete;
  ThreadConnections& operator=(const ThreadConnections&) = delete;
  CURLM* multi() const { return multi_; }
  // The easy handle every transfer of the thread reuses; nullptr when none
  // could be made.
  CURL* kept() {
    if (kept_ == nullptr) kept_ = curl_easy_init();
    return kept_;
  }

 private:
  CURLM* multi_;
  CURL* kept_ = nullptr;
};

ThreadConnections& ThisThreadsConnections() {
  // The share also sets libcurl up; that must happen before the first handle.
  PlainShare();
  thread_local ThreadConnections connections;
  return connections;
}

CURLM* ThisThreadsMulti() { return ThisThreadsConnections().multi(); }

// The easy handle of one transfer: the thread's kept handle, set back to
// libcurl's defaults. Making and freeing a handle for every picture costs more
// than the picture's own bookkeeping.
class TransferHandle {
 public:
  TransferHandle() {
    easy_ = ThisThreadsConnections().kept();
    if (easy_ != nullptr) curl_easy_reset(easy_);
  }
  TransferHandle(const TransferHandle&) = delete;
  TransferHandle& operator=(const TransferHandle&) = delete;
  // nullptr when no handle could be made.
  CURL* get() const { return easy_; }

 private:
  CURL* easy_ = nullptr;
};

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// What the callbacks of one transfer share.
struct TransferSink {
  TransferResult* result = nullptr;
  // The answer to HEAD ends with its header lines, whatever Content-Length it
  // announces; libcurl, asked for a HEAD that carries a body, would wait for one.
  bool headersOnly = false;
  bool followRedirects = true;
  long long maxBodyBytes = 0;
  bool headersEnded = false;   // a HEAD answer's header lines are in
  bool tooLarge = false;       // the body was given up for its size
  bool headersParsed = false;  // result->headers holds the current response's lines
  bool skipBody = false;       // the current response is a redirect that will be followed

  // A 3xx answer that names a place to go is followed (PerformTransfer), and
  // its body is skipped.
  bool WillFollow(const ResponseHeaders& headers) const {
    return followRedirects && headers.Status() >= 300 && headers.Status() < 400 &&
           !headers.Location().empty();
  }
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<TransferSink*>(user);
  Bytes& body = sink->result->body;
  const size_t n = size * count;
  if (sink->skipBody) return n;
  // A body without Content-Length (or with a wrong one) is given up the moment
  // it passes the limit, and what came of it is let go at once.
  if (sink->maxBodyBytes > 0 && body.size() + n > static_cast<size_t>(sink->maxBodyBytes)) {
    sink->tooLarge = true;
    Bytes().swap(body);
    return 0;
  }
  body.append(data, n);
  return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<TransferSink*>(user);
  TransferResult* result = sink->result;
  const size_t n = size * count;
  size_t end = n;
  while (end > 0 && (data[end - 1] == '\n' || data[end - 1] == '\r')) --end;
  const std::string_view line(data, end);
  // A status line starts a new response (after a redirect that was followed,
  // an interim 1xx answer or a proxy's CONNECT answer): only the last counts.
  if (line.starts_with("HTTP/")) {
    result->responseLines.clear();
    result->body.clear();
    sink->headersParsed = false;
    sink->skipBody = false;
  }
  if (!line.empty()) {
    result->responseLines.emplace_back(line);
    return n;
  }
  // The response's header lines are complete.
  result->headers = ResponseHeaders(result->responseLines);
  sink->headersParsed = true;
  const ResponseHeaders& headers = result->headers;
  sink->skipBody = sink->WillFollow(headers);
  if (headers.Status() < 200) return n;
  if (sink->headersOnly) {
    // Stops the transfer here; it counts as complete.
    sink->headersEnded = true;
    return 0;
  }
  const std::optional<long long> length = headers.ContentLength();
  if (!length || sink->WillFollow(headers) || sink->maxBodyBytes <= 0) return n;
  // Too large by its own account: given up before a byte of the body is read.
  if (*length > sink->maxBodyBytes) {
    sink->tooLarge = true;
    return 0;
  }
  // The body goes into one buffer of its size instead of growing by appends.
  result->body.reserve(static_cast<size_t>(*length));
  return n;
}

int OnProgress(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return TransferAbortRequested() ? 1 : 0;
}

// Why libcurl ended a transfer, in the program's terms.
HttpFailure FailureOf(CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return HttpFailure::kNone;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return HttpFailure::kBadAddress;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
      return HttpFailure::kConnectFailed;
    case CURLE_OPERATION_TIMEDOUT:
      return HttpFailure::kTimedOut;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
      return HttpFailure::kConnectionBroken;
    case CURLE_PARTIAL_FILE:
      return HttpFailure::kTruncated;
    case CURLE_ABORTED_BY_CALLBACK:
      return HttpFailure::kAborted;
    case CURLE_FILESIZE_EXCEEDED:
      return HttpFailure::kTooLarge;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED:
      return HttpFailure::kTls;
    default:
      return HttpFailure::kOther;
  }
}

bool NamesHeader(const Text& line, const Text& name) {
  return SameHeaderName(HeaderName(line), name);
}

// The header list as libcurl takes it. libcurl reads "Name:" with nothing after
// it as "do not send this header"; "Name;" sends it with an empty value, which
// is what the caller asked for.
curl_slist* BuildHeaderList(const std::vector<Text>& lines) {
  curl_slist* list = nullptr;
  bool hasAccept = false;
  bool hasExpect = false;
  bool hasAcceptEncoding = false;
  for (const Text& line : lines) {
    if (line.find_first_of("\r\n") != Text::npos) continue;
    const Text name = HeaderName(line);
    if (name.empty()) continue;
    hasAccept = hasAccept || SameHeaderName(name, "Accept");
    hasExpect = hasExpect || SameHeaderName(name, "Expect");
    hasAcceptEncoding = hasAcceptEncoding || SameHeaderName(name, "Accept-Encoding");
    list = curl_slist_append(list, HeaderValue(line).empty() ? (name + ";").c_str() : line.c_str());
  }
  // No header lines of libcurl's own: no "Accept: */*" beside (or instead of)
  // ours, and no "Expect: 100-continue" round trip before a body.
  if (!hasAccept) list = curl_slist_append(list, "Accept:");
  if (!hasExpect) list = curl_slist_append(list, "Expect:");
  // Nor libcurl's Accept-Encoding: the request asks for no coding (see
  // CURLOPT_ACCEPT_ENCODING below).
  if (!hasAcceptEncoding) list = curl_slist_append(list, "Accept-Encoding:");
  return list;
}

void SetMethodAndBody(CURL* easy, const TransferRequest& request) {
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  if (request.sendBody) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
  }
  // A POST goes out as libcurl's own POST, so a redirect that turns it into a
  // GET really does so; the other verbs are named explicitly. libcurl's own
  // HEAD would drop the body, so HEAD is named too (see TransferSink).
  if (request.verb != "POST" && (request.verb == "HEAD" || request.sendBody)) {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
  }
}

void SetProxy(CURL* easy, const TransferRequest& request) {
  // Without a proxy of the request's own or the program's, libcurl takes the
  // environment's (http_proxy, https_proxy, all_proxy, no_proxy).
  const Text proxy = request.proxy.empty() ? DefaultProxy() : request.proxy;
  if (!proxy.empty()) curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
  if (request.proxyUser.empty()) return;
  if (request.credentialsForServer) {
    curl_easy_setopt(easy, CURLOPT_USERNAME, request.proxyUser.c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, request.proxyPassword.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
  } else if (!request.proxy.empty()) {
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, request.proxyUser.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
  }
}

// Runs the transfer on this thread's multi handle, looking at the abort
// predicate between waits so an ended download stops within a fraction of a
// second even when no data flows.
CURLcode RunOnThisThread(CURL* easy, bool& aborted) {
  CURLM* multi = ThisThreadsMulti();
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode code = CURLE_FAILED_INIT;
  int running = 1;
  while (running > 0) {
    if (curl_multi_perform(multi, &running) != CURLM_OK) break;
    if (running == 0) break;
    if (TransferAbortRequested()) {
      aborted = true;
      break;
    }
    curl_multi_poll(multi, nullptr, 0, kAbortCheckMs, nullptr);
  }
  int pending = 0;
  while (CURLMsg* message = curl_multi_info_read(multi, &pending)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
      code = message->data.result;
    }
  }
  if (code == CURLE_ABORTED_BY_CALLBACK) aborted = true;
  curl_multi_remove_handle(multi, easy);
  return code;
}

}  // namespace

Text AddressWithScheme(const Text& url) {
  const size_t mark = url.find("://");
  if (mark != Text::npos && mark > 0) {
    const Text scheme = url.substr(0, mark);
    const bool schemeChars =
        scheme.find_first_not_of(
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+.-") == Text::npos;
    if (schemeChars) return url;
  }
  return "http://" + url;
}

Text WireAddress(const Text& url) {
  const auto plain = [](unsigned char c) { return c > 0x20 && c < 0x7F; };
  if (std::all_of(url.begin(), url.end(), plain)) return url;
  static const char kHex[] = "0123456789ABCDEF";
  Text wire;
  for (unsigned char c : AnsiToUtf8(url)) {
    if (plain(c)) {
      wire += static_cast<char>(c);
    } else {
      wire += '%';
      wire += kHex[c >> 4];
      wire += kHex[c & 0x0F];
    }
  }
  return wire;
}

bool AcceptableAddress(const Text& url) {
  CURLU* parsed = curl_url();
  bool acceptable = false;
  if (parsed && curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    char* scheme = nullptr;
    if (curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK) {
      const Text lower = TextLower(scheme);
      acceptable = lower == "http" || lower == "https";
      curl_free(scheme);
    }
  }
  curl_url_cleanup(parsed);
  return acceptable;
}

std::vector<Text> HeaderLines(const Text& headerText) {
  std::vector<Text> lines;
  const bool ascii = std::all_of(headerText.begin(), headerText.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) {
    for (const Text& line : TextSplit(headerText, "\r\n")) {
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  // Without double-byte characters every CR LF is a line end: cut in place.
  for (size_t start = 0; start <= headerText.size();) {
    size_t end = headerText.find("\r\n", start);
    if (end == Text::npos) end = headerText.size();
    if (end > start) lines.emplace_back(headerText, start, end - start);
    start = end + 2;
  }
  return lines;
}

Text WithoutLineBreaks(const Text& text) {
  Text out;
  for (char c : text) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

namespace {

TransferResult PerformOnce(const TransferRequest& request) {
  TransferResult result;
  ThisThreadsMulti();
  const TransferHandle handle;
  CURL* e = handle.get();
  if (e == nullptr) return result;
  std::unique_ptr<curl_slist, SlistDeleter> headers(BuildHeaderList(request.headerLines));
  const Text agent = WithoutLineBreaks(request.userAgent);

  curl_easy_setopt(e, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
  if (!agent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, agent.c_str());
  SetMethodAndBody(e, request);
  // Redirects are PerformTransfer's to follow, hop by hop.
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
  SetProxy(e, request);
  // A proxy's answer to CONNECT is not the response; it would also end a HEAD
  // transfer early.
  curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

  curl_easy_setopt(e, CURLOPT_SHARE, PlainShare());

  // Per phase: a request never hangs for ever on a silent peer. The limit on
  // the whole stops a peer that trickles.
  if (request.connectTimeoutSeconds > 0) {
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, request.connectTimeoutSeconds);
  }
  if (request.idleTimeoutSeconds > 0) {
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, request.idleTimeoutSeconds);
  }
  if (request.totalTimeoutMs > 0) curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, request.totalTimeoutMs);
  // A request that names no coding allows any (RFC 9110), and servers do
  // compress answers nobody asked them to: whatever libcurl can decode (gzip,
  // deflate, ...) is decoded on every route. Nothing is asked for, so the
  // header lines stay as described; pictures gain nothing by it, and a page
  // little.
  curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
  // A picture of some tens of kilobytes comes in one read.
  curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);

  TransferSink sink;
  sink.result = &result;
  sink.headersOnly = request.verb == "HEAD";
  sink.followRedirects = request.followRedirects;
  sink.maxBodyBytes = request.maxBodyBytes;
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &sink);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);

  bool aborted = false;
  const CURLcode code = RunOnThisThread(e, aborted);
  if (aborted) {
    result.failure = HttpFailure::kAborted;
  } else if (sink.tooLarge) {
    result.failure = HttpFailure::kTooLarge;
  } else if (code == CURLE_WRITE_ERROR && sink.headersEnded) {
    result.failure = HttpFailure::kNone;
  } else {
    result.failure = FailureOf(code);
  }
  long status = 0;
  if (curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) result.status = status;
  // Header lines that stopped short were not split yet.
  if (!sink.headersParsed) result.headers = ResponseHeaders(result.responseLines);
  if (!result.Completed()) Bytes().swap(result.body);
  return result;
}

// The address a redirect points to, resolved against the address it came
// from; empty when there is none.
Text RedirectTarget(const TransferResult& result, const Text& from) {
  const Text location = result.headers.Location();
  if (location.empty()) return "";
  Text target;
  CURLU* address = curl_url();
  if (address && curl_url_set(address, CURLUPART_URL, from.c_str(), 0) == CURLUE_OK &&
      curl_url_set(address, CURLUPART_URL, location.c_str(), 0) == CURLUE_OK) {
    char* text = nullptr;
    if (curl_url_get(address, CURLUPART_URL, &text, 0) == CURLUE_OK) {
      target = text;
      curl_free(text);
    }
  }
  curl_url_cleanup(address);
  return target;
}

// Scheme, host and port of an address ("http://a.com:80"), empty when it
// cannot be parsed.
Text OriginOf(const Text& url) { return ParseAddress(url).Origin(); }

// The header lines as they may go to a redirect target on another scheme,
// host or port: the caller's cookies and credentials were meant for the first
// address only, and a Host line of the first address would misname the other.
std::vector<Text> LinesForOtherOrigin(const std::vector<Text>& lines) {
  std::vector<Text> kept;
  for (const Text& line : lines) {
    if (!NamesHeader(line, "Cookie") && !NamesHeader(line, "Authorization") &&
        !NamesHeader(line, "Host")) {
      kept.push_back(line);
    }
  }
  return kept;
}

// One Cookie line, first among the lines: the jar's cookies for the address,
// then the items of the caller's Cookie lines whose names the jar's lack.
std::vector<Text> WithJarCookies(const std::vector<Text>& lines, const Text& jarLine) {
  std::vector<Text> others;
  Text cookies = jarLine;
  std::set<Text> names;
  for (const Text& item : TextSplit(jarLine, "; ")) names.insert(CookieName(item));
  for (const Text& line : lines) {
    if (!NamesHeader(line, "Cookie")) {
      others.push_back(line);
      continue;
    }
    for (const Text& piece : TextSplit(HeaderValue(line), ";")) {
      const Text item = TextTrim(piece);
      if (item.empty() || !names.insert(CookieName(item)).second) continue;
      if (!cookies.empty()) cookies += "; ";
      cookies += item;
    }
  }
  std::vector<Text> out;
  if (!cookies.empty()) out.push_back("Cookie: " + cookies);
  out.insert(out.end(), others.begin(), others.end());
  return out;
}

}  // namespace

TransferResult PerformTransfer(const TransferRequest& request) {
  // Redirects are followed here rather than by libcurl: each hop then carries
  // the jar's cookies for its own address and feeds the jar with its own
  // answer (libcurl would show only the last), a HEAD transfer, which stops
  // after each response's header lines, can skip a redirect's body, and the
  // caller's cookies and credentials never reach another origin.
  TransferRequest step = request;
  // Worked out at the first redirect: most requests have none.
  Text firstOrigin;
  std::vector<Text> elsewhere;
  // The limit on the whole covers the redirects as well.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(request.totalTimeoutMs);
  for (int redirects = 0;; ++redirects) {
    if (request.totalTimeoutMs > 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        TransferResult late;
        late.failure = HttpFailure::kTimedOut;
        return late;
      }
      step.totalTimeoutMs = static_cast<long>(left.count());
    }
    const std::vector<Text> lines = step.headerLines;
    if (request.jar != nullptr) {
      step.headerLines = WithJarCookies(lines, request.jar->CookieLineFor(step.url));
    }
    TransferResult result = PerformOnce(step);
    step.headerLines = lines;
    // What an answer sets belongs to the address that answered.
    if (request.jar != nullptr && result.headers.Status() > 0) {
      request.jar->TakeAnswer(step.url, result.headers.SetCookies());
    }
    const long status = result.status;
    const bool redirect =
        status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    if (!request.followRedirects || !result.Completed() || !redirect ||
        redirects == kMaxRedirects) {
      return result;
    }
    const Text target = RedirectTarget(result, step.url);
    if (target.empty() || !AcceptableAddress(target)) return result;
    if (redirects == 0) {
      firstOrigin = OriginOf(request.url);
      elsewhere = LinesForOtherOrigin(request.headerLines);
    }
    step.url = target;
    const bool sameOrigin = OriginOf(target) == firstOrigin;
    step.headerLines = sameOrigin ? request.headerLines : elsewhere;
    step.proxyUser = request.proxyUser;
    step.proxyPassword = request.proxyPassword;
    if (!sameOrigin && request.credentialsForServer) {
      step.proxyUser.clear();
      step.proxyPassword.clear();
    }
    // Like a browser: only 307 and 308 repeat the body.
    if (status != 307 && status != 308) {
      step.sendBody = false;
      step.body.clear();
    }
  }
}

}  // namespace albumdl::net_internal
