#include "demo_site.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "connection_sockets.h"
#include "content_coding.h"
#include "demo_data.h"
#include "fault_switches.h"
#include "site_pages.h"
#include "streamed_bodies.h"

namespace demosite {
namespace {

const char kJsonType[] = "application/json; charset=utf-8";
const char kHtmlType[] = "text/html; charset=utf-8";
const char kTextType[] = "text/plain; charset=utf-8";

// Keep-alive as a browser-facing site offers it: connections stay open for
// a few idle seconds and for as many requests as a long download makes.
const time_t kKeepAliveSeconds = 5;
const time_t kSlowReaderSeconds = 60;
const size_t kKeepAliveRequests = 10000;
// Clients may hold several idle keep-alive connections, each of which keeps
// a worker, and with a latency set every waiting request keeps one too; 32
// serve eight connections at once with room for two dozen idle ones.
const size_t kWorkers = 32;

struct Reply {
  int status = 200;
  std::string contentType = kTextType;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

// Every value of the named cookie across all Cookie headers of the request.
std::vector<std::string> CookieValues(const httplib::Request& req, const std::string& name) {
  std::vector<std::string> values;
  for (size_t i = 0; i < req.get_header_value_count("Cookie"); ++i) {
    std::stringstream items(req.get_header_value("Cookie", i));
    std::string item;
    while (std::getline(items, item, ';')) {
      auto equals = item.find('=');
      if (equals != std::string::npos && Trim(item.substr(0, equals)) == name) {
        values.push_back(Trim(item.substr(equals + 1)));
      }
    }
  }
  return values;
}

int IntParam(const httplib::Request& req, const std::string& name, int fallback) {
  if (!req.has_param(name.c_str())) return fallback;
  std::string text = req.get_param_value(name.c_str());
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return fallback;
  return static_cast<int>(std::clamp(value, -1000000L, 1000000L));
}

// A picture key may name sub-folders, but never a way out of the image host.
bool SafeKey(const std::string& key) {
  if (key.empty() || key.front() == '/' || key.find('\\') != std::string::npos) return false;
  std::stringstream parts(key);
  std::string part;
  while (std::getline(parts, part, '/')) {
    if (part == "..") return false;
  }
  return true;
}

std::string StatusText(int status) {
  switch (status) {
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 429:
      return "Too Many Requests";
    case 500:
      return "Internal Server Error";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    case 504:
      return "Gateway Timeout";
    default:
      return "Error";
  }
}

}  // namespace

std::string RequestRecord::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (EqualsNoCase(key, name)) return value;
  }
  return "";
}

struct DemoSite::Impl {
  mutable std::mutex mutex;
  std::map<std::string, Board> boards;
  std::vector<std::string> boardOrder;  // as added, for the index page
  std::map<std::string, Search> searches;
  std::vector<std::string> searchOrder;
  FaultSwitches faults;
  int latencyMs = 0;
  std::map<std::string, std::shared_ptr<const RawAnswer>> rawAnswers;
  size_t keepRequests = 0;
  std::deque<RequestRecord> requests;  // the latest keepRequests
  std::function<void(const RequestRecord&)> observer;
  std::set<int> remotePorts;
  std::set<std::string> sessions;
  long long albumAnswers = 0;
  std::optional<std::string> versionText;
  std::mt19937_64 tokenSource{std::random_device{}()};

  std::condition_variable stopping;
  bool stopRequested = false;
  std::unique_ptr<httplib::Server> server;
  std::thread listener;
  std::atomic<bool> listenReturned{false};
  int port = 0;
  std::string address = "127.0.0.1";

  void Handle(const httplib::Request& req, httplib::Response& res);
  void ApplyBodyFault(const Fault& fault, const std::string& path, Reply& reply);
  // Called with the mutex held.
  std::shared_ptr<const RawAnswer> FindRawAnswer(const httplib::Request& req) const;
  static Reply ReplyOf(const RawAnswer& raw);
  static void SendRawPieces(const RawAnswer& raw, httplib::Response& res);
  void Record(const httplib::Request& req);
  // Called with the mutex held.
  Reply Route(const httplib::Request& req);
  Reply BoardReply(const httplib::Request& req, const std::string& id);
  Reply SearchReply(const httplib::Request& req);
  Reply PictureReply(const std::string& key);
  Reply LoginReply(const httplib::Request& req);
  Reply GrowReply(const httplib::Request& req);
  // Called with the mutex held.
  std::vector<Pin> Grow(const std::string& boardId, int count);
  bool SignedIn(const httplib::Request& req) const;
  std::string NewSession();
  // Waits ms; false when the site is stopping (which ends the wait early).
  bool Delay(int ms);
};

// What sets cookies, kept deliberately small: every board album answer sets
// visit=<number of album answers so far> and lang=zh, the second under a
// lower-case header name as some servers send it, so clients must match the
// name without letter case; every search answer expires a tracker cookie
// (tracker=deleted, Max-Age=0); a sign-in sets the session cookie. Nothing
// else sets cookies.
void DemoSite::Impl::Handle(const httplib::Request& req, httplib::Response& res) {
  std::optional<Fault> fault;
  int latency = 0;
  {
    std::lock_guard<std::mutex> lock(mutex);
    Record(req);
    fault = faults.Next(req.path);
    latency = latencyMs;
  }
  // Each request waits on its own worker, so connections wait side by side.
  if (latency > 0) Delay(latency);
  using Kind = Fault::Kind;
  if (fault && fault->kind == Kind::kDelay) Delay(fault->delayMs);
  if (fault && fault->kind == Kind::kReset) {
    // Whatever the server then tries to write fails, and it drops the socket.
    ShutdownConnection(req.local_port, req.remote_port);
    res.status = 500;
    return;
  }
  if (fault && fault->kind == Kind::kStatus) {
    res.status = fault->status;
    if (fault->retryAfter >= 0) res.set_header("Retry-After", std::to_string(fault->retryAfter));
    res.set_content(std::to_string(fault->status) + " " + StatusText(fault->status) + "\n",
                    kTextType);
    return;
  }

  std::shared_ptr<const RawAnswer> raw;
  Reply reply;
  {
    std::lock_guard<std::mutex> lock(mutex);
    raw = FindRawAnswer(req);
    if (!raw) reply = Route(req);
  }
  if (raw && raw->pieces) {
    SendRawPieces(*raw, res);
    return;
  }
  if (raw) reply = ReplyOf(*raw);
  if (fault) ApplyBodyFault(*fault, req.path, reply);

  res.status = reply.status;
  for (const auto& [name, value] : reply.headers) res.set_header(name, value);
  if (fault && fault->kind == Kind::kTruncate) {
    SendTruncated(res, reply.contentType, std::move(reply.body), fault->truncateAt);
  } else if (fault && fault->kind == Kind::kCut) {
    SendCutWithoutLength(res, reply.contentType, std::move(reply.body), fault->truncateAt);
  } else if (fault && fault->kind == Kind::kTrickle) {
    SendTrickled(res, reply.contentType, std::move(reply.body), fault->trickleBytes,
                 fault->trickleMs, [this](int ms) { return Delay(ms); });
  } else if (fault && fault->kind == Kind::kHuge) {
    unsigned long long total = static_cast<unsigned long long>(std::max(fault->hugeMegabytes, 0LL))
                               << 20;
    SendHuge(res, reply.contentType, std::move(reply.body), total, fault->hugeLength);
  } else {
    // The body goes in as it is: set_content would add an empty Content-Type
    // header to a raw answer that has none.
    if (!reply.contentType.empty()) res.set_header("Content-Type", reply.contentType);
    res.body = std::move(reply.body);
  }
}

// The faults that rewrite the answer's body before it is sent.
void DemoSite::Impl::ApplyBodyFault(const Fault& fault, const std::string& path, Reply& reply) {
  using Kind = Fault::Kind;
  if (fault.kind == Kind::kBadJson) {
    reply.status = 200;
    reply.body = MalformedJson();
    reply.contentType = kJsonType;
  }
  if (fault.kind == Kind::kEmptyBody) {
    reply.status = 200;
    reply.body.clear();
  }
  if (fault.kind == Kind::kNotPicture) {
    // The Content-Type still says picture: the one the key would be served
    // with, image/jpeg outside the image host.
    const std::string imagePrefix = "/img/";
    bool picture = path.compare(0, imagePrefix.size(), imagePrefix) == 0;
    reply.status = 200;
    reply.contentType = PictureContentType(picture ? path.substr(imagePrefix.size()) : "");
    reply.body = ImposterBody(fault.imposter);
  }
  if (fault.kind == Kind::kCompress) {
    reply.body = Compressed(reply.body, fault.coding);
    reply.headers.emplace_back("Content-Encoding", CodingName(fault.coding));
  }
}

std::shared_ptr<const RawAnswer> DemoSite::Impl::FindRawAnswer(const httplib::Request& req) const {
  auto found = rawAnswers.find(req.target);
  if (found == rawAnswers.end()) found = rawAnswers.find(req.path);
  return found == rawAnswers.end() ? nullptr : found->second;
}

// The raw answer's Content-Type header becomes the reply's type, the other
// header lines stay as they are.
Reply DemoSite::Impl::ReplyOf(const RawAnswer& raw) {
  Reply reply{raw.status, "", raw.body, {}};
  for (const auto& [name, value] : raw.headers) {
    if (reply.contentType.empty() && EqualsNoCase(name, "Content-Type")) {
      reply.contentType = value;
    } else {
      reply.headers.emplace_back(name, value);
    }
  }
  return reply;
}

void DemoSite::Impl::SendRawPieces(const RawAnswer& raw, httplib::Response& res) {
  Reply reply = ReplyOf(raw);
  res.status = reply.status;
  for (const auto& [name, value] : reply.headers) res.set_header(name, value);
  SendPieces(res, reply.contentType, raw.pieces, raw.contentLength, raw.chunked);
}

void DemoSite::Impl::Record(const httplib::Request& req) {
  if (keepRequests == 0 && !observer) return;
  RequestRecord record;
  record.method = req.method;
  record.target = req.target;
  for (const auto& [name, value] : req.headers) {
    // The server adds these itself; the client never sent them.
    if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
        name == "LOCAL_PORT") {
      continue;
    }
    record.headers.emplace(name, value);
  }
  record.body = req.body.substr(0, kMostKeptBodyBytes);
  record.remotePort = req.remote_port;
  if (observer) observer(record);
  if (keepRequests == 0) return;
  requests.push_back(std::move(record));
  while (requests.size() > keepRequests) requests.pop_front();
  remotePorts.insert(req.remote_port);
}

Reply DemoSite::Impl::Route(const httplib::Request& req) {
  const std::string& path = req.path;
  const std::string boardsPrefix = "/boards/";
  const std::string imagePrefix = "/img/";
  if (path == "/" || path == "/index.html") {
    std::vector<Board> boardList;
    for (const auto& id : boardOrder) boardList.push_back(boards.at(id));
    std::vector<Search> searchList;
    for (const auto& keyword : searchOrder) searchList.push_back(searches.at(keyword));
    return Reply{200, kHtmlType, IndexHtml(boardList, searchList), {}};
  }
  if (path == "/login") return LoginReply(req);
  if (path == "/demo/grow") return GrowReply(req);
  if (path == "/feedback") return Reply{200, kHtmlType, FeedbackHtml(req.method == "POST"), {}};
  if (path == "/version") return Reply{200, kTextType, versionText.value_or(VersionText()), {}};
  if (path.compare(0, boardsPrefix.size(), boardsPrefix) == 0) {
    std::string rest = path.substr(boardsPrefix.size());
    // A board whose id holds "/" is found by its whole path.
    if (rest.size() > 1 && rest.back() == '/' && boards.count(rest.substr(0, rest.size() - 1))) {
      return BoardReply(req, rest.substr(0, rest.size() - 1));
    }
    auto slash = rest.find('/');
    std::string id = rest.substr(0, slash);
    if (!id.empty() && (slash == std::string::npos || slash + 1 == rest.size())) {
      return BoardReply(req, id);
    }
  }
  if (path == "/search" || path == "/search/") return SearchReply(req);
  if (path.compare(0, imagePrefix.size(), imagePrefix) == 0) {
    return PictureReply(path.substr(imagePrefix.size()));
  }
  return Reply{404, kTextType, "404 Not Found\n", {}};
}

Reply DemoSite::Impl::BoardReply(const httplib::Request& req, const std::string& id) {
  auto found = boards.find(id);
  bool albumAnswer = !req.has_param("max");
  if (found == boards.end()) return Reply{404, kJsonType, NotFoundJson("board"), {}};
  const Board& board = found->second;
  if (!albumAnswer) {
    std::string max = req.get_param_value("max");
    int limit = IntParam(req, "limit", board.pageLimit);
    return Reply{200, kJsonType, BoardPageJson(board, SignedIn(req), max, limit), {}};
  }
  ++albumAnswers;
  Reply reply{200, kJsonType, BoardAnswerJson(board, SignedIn(req)), {}};
  reply.headers.emplace_back("Set-Cookie", "visit=" + std::to_string(albumAnswers) + "; Path=/");
  reply.headers.emplace_back("set-cookie", "lang=zh; Path=/");
  return reply;
}

Reply DemoSite::Impl::SearchReply(const httplib::Request& req) {
  // Clients append "_" to the keyword of a search page (q=cat%5F); the query
  // parameter arrives percent-decoded.
  std::string query = req.get_param_value("q");
  const Search* search = nullptr;
  auto found = searches.find(query);
  if (found == searches.end() && !query.empty() && query.back() == '_') {
    found = searches.find(query.substr(0, query.size() - 1));
  }
  if (found != searches.end()) search = &found->second;

  if (req.has_param("page")) {
    int page = IntParam(req, "page", 1);
    int perPage = IntParam(req, "per_page", 100);
    return Reply{200, kJsonType, SearchPageJson(search, page, perPage), {}};
  }
  std::string text = query;
  std::string total = "0";
  bool rawText = false;
  if (search) {
    text = search->text.empty() ? search->keyword : search->text;
    rawText = search->rawText;
    total =
        search->rawTotal.empty()
            ? std::to_string(search->total.value_or(static_cast<long long>(search->pins.size())))
            : search->rawTotal;
  }
  Reply reply{200, kJsonType, SearchAnswerJson(text, rawText, total), {}};
  reply.headers.emplace_back("Set-Cookie", "tracker=deleted; Path=/; Max-Age=0");
  return reply;
}

Reply DemoSite::Impl::PictureReply(const std::string& key) {
  // The site holds a picture for every key its pins name, so any other safe
  // key is answered too; only keys that would leave the image folder are not.
  if (!SafeKey(key)) return Reply{404, kTextType, "404 Not Found\n", {}};
  return Reply{200, PictureContentType(key), PictureBytes(key), {}};
}

Reply DemoSite::Impl::LoginReply(const httplib::Request& req) {
  if (req.method != "POST") return Reply{200, kHtmlType, LoginFormHtml(""), {}};
  std::string username;
  if (req.has_param("username")) {
    username = req.get_param_value("username");
  } else {
    httplib::Params form;
    httplib::detail::parse_query_text(req.body, form);
    auto field = form.find("username");
    if (field != form.end()) username = field->second;
  }
  if (Trim(username).empty()) return Reply{200, kHtmlType, LoginFormHtml("请输入用户名"), {}};
  Reply reply{200, kHtmlType, SignedInHtml(username), {}};
  reply.headers.emplace_back("Set-Cookie",
                             SessionCookieName() + "=" + NewSession() + "; Path=/; HttpOnly");
  return reply;
}

std::vector<Pin> DemoSite::Impl::Grow(const std::string& boardId, int count) {
  auto found = boards.find(boardId);
  if (found == boards.end() || count <= 0) return {};
  std::vector<Pin>& pins = found->second.pins;
  long long newest = 0;
  for (const Pin& pin : pins) newest = std::max(newest, pin.pinId);
  std::vector<Pin> added;
  for (int i = count; i >= 1; --i) {
    const long long id = newest + i;
    added.push_back(Pin{id, boardId + "-" + std::to_string(id) + ".jpg", "image/jpeg"});
  }
  pins.insert(pins.begin(), added.begin(), added.end());
  return added;
}

// The demo's way to grow a board of a site running in another process.
Reply DemoSite::Impl::GrowReply(const httplib::Request& req) {
  const std::string boardId = req.get_param_value("board");
  const int count = IntParam(req, "pins", 0);
  if (count < 1 || count > 100000) return Reply{400, kTextType, "pins=1..100000 is needed\n", {}};
  const std::vector<Pin> added = Grow(boardId, count);
  if (added.empty()) return Reply{404, kTextType, "no such board\n", {}};
  return Reply{200,
               kTextType,
               std::to_string(count) + " new pins on top of " + boardId + ", the newest " +
                   std::to_string(added.front().pinId) + "\n",
               {}};
}

bool DemoSite::Impl::SignedIn(const httplib::Request& req) const {
  for (const auto& value : CookieValues(req, SessionCookieName())) {
    if (sessions.count(value)) return true;
  }
  return false;
}

std::string DemoSite::Impl::NewSession() {
  std::ostringstream token;
  token << std::hex << tokenSource() << sessions.size();
  sessions.insert(token.str());
  return token.str();
}

bool DemoSite::Impl::Delay(int ms) {
  // A stop ends the wait early, so Stop() does not hang on a long delay.
  std::unique_lock<std::mutex> lock(mutex);
  return !stopping.wait_for(lock, std::chrono::milliseconds(std::max(ms, 0)),
                            [this] { return stopRequested; });
}

DemoSite::DemoSite(bool empty) : impl_(std::make_unique<Impl>()) {
  if (empty) return;
  for (const Board& board : DemoBoards()) AddBoard(board);
  for (const Search& search : DemoSearches()) AddSearch(search);
}

DemoSite::~DemoSite() { Stop(); }

bool DemoSite::Start(int port, const std::string& address) {
  if (impl_->server) return false;
  auto server = std::make_unique<httplib::Server>();
  server->new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  server->set_keep_alive_max_count(kKeepAliveRequests);
  server->set_keep_alive_timeout(kKeepAliveSeconds);
  // A reader that falls behind (a busy machine, a sanitizer build) is waited
  // for as long as real servers wait (a minute), not httplib's 5 s: a site
  // that gave up sooner would cut a body it was meant to send whole, and a
  // body without a length cut after its picture's end is a picture with
  // trailing bytes to the client.
  server->set_write_timeout(kSlowReaderSeconds, 0);
  // Headers and body go out in separate writes; without this, Nagle's rule
  // and the client's delayed acknowledgement hold every small answer ~40 ms.
  server->set_tcp_nodelay(true);
  // The server's default also sets SO_REUSEPORT, which lets a second site bind
  // a port that is taken and share its connections; a taken port must fail.
  auto listening = std::make_shared<socket_t>(INVALID_SOCKET);
  server->set_socket_options([listening](socket_t sock) {
    ListenAlone(sock);
    *listening = sock;
  });
  Impl* impl = impl_.get();
  auto handler = [impl](const httplib::Request& req, httplib::Response& res) {
    impl->Handle(req, res);
  };
  // Paths may hold anything once decoded, line breaks included.
  const std::string anyPath = R"([\s\S]*)";
  server->Get(anyPath, handler);
  server->Post(anyPath, handler);

  int bound = -1;
  if (port == 0) {
    bound = server->bind_to_any_port(address);
  } else if (server->bind_to_port(address, port)) {
    bound = port;
  }
  if (bound <= 0) return false;
  // The server listens with a backlog of 5: a sixth client that connects
  // before the accept loop catches up has its connection request dropped and
  // tries again only a second later. Calling listen again raises the backlog.
  if (*listening != INVALID_SOCKET) listen(*listening, SOMAXCONN);

  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->stopRequested = false;
  }
  impl_->port = bound;
  impl_->address = address;
  impl_->listenReturned = false;
  httplib::Server* raw = server.get();
  impl_->server = std::move(server);
  impl_->listener = std::thread([impl, raw] {
    raw->listen_after_bind();
    impl->listenReturned = true;
  });
  return true;
}

void DemoSite::Stop() {
  if (!impl_->server) return;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->stopRequested = true;
  }
  impl_->stopping.notify_all();
  // stop() does nothing until the listener thread has marked the server as
  // running, so wait for that first.
  while (!impl_->server->is_running() && !impl_->listenReturned) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  impl_->server->stop();
  // Idle keep-alive connections would hold their workers (and so this stop)
  // until they time out; cutting them lets the workers finish at once.
  ShutdownAllConnections(impl_->port);
  impl_->listener.join();
  impl_->server.reset();
}

int DemoSite::Port() const { return impl_->port; }

std::string DemoSite::SiteHost() const {
  const std::string& address = impl_->address;
  const bool ipv6 = address.find(':') != std::string::npos;
  return "http://" + (ipv6 ? "[" + address + "]" : address) + ":" + std::to_string(Port());
}

std::string DemoSite::ImageHost() const { return SiteHost() + "/img"; }

void DemoSite::AddBoard(const Board& board) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (!impl_->boards.count(board.id)) impl_->boardOrder.push_back(board.id);
  impl_->boards[board.id] = board;
}

std::vector<Pin> DemoSite::GrowBoard(const std::string& boardId, int count) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->Grow(boardId, count);
}

void DemoSite::AddSearch(const Search& search) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (!impl_->searches.count(search.keyword)) impl_->searchOrder.push_back(search.keyword);
  impl_->searches[search.keyword] = search;
}

void DemoSite::SetFault(const std::string& pathPrefix, const Fault& fault) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->faults.Set(pathPrefix, fault);
}

void DemoSite::ClearFaults() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->faults.Clear();
}

void DemoSite::SetLatency(int ms) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->latencyMs = std::max(ms, 0);
}

void DemoSite::SetRawAnswer(const std::string& target, RawAnswer answer) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->rawAnswers[target] = std::make_shared<const RawAnswer>(std::move(answer));
}

void DemoSite::ClearRawAnswers() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->rawAnswers.clear();
}

void DemoSite::SetRequestObserver(std::function<void(const RequestRecord&)> observer) {
  std::lock_guard lock(impl_->mutex);
  impl_->observer = std::move(observer);
}

void DemoSite::KeepRequests(size_t most) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->keepRequests = most;
  while (impl_->requests.size() > most) impl_->requests.pop_front();
  if (most == 0) impl_->remotePorts.clear();
}

std::vector<RequestRecord> DemoSite::Requests() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return {impl_->requests.begin(), impl_->requests.end()};
}

void DemoSite::ClearRequests() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->requests.clear();
  impl_->remotePorts.clear();
}

int DemoSite::ConnectionCount() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return static_cast<int>(impl_->remotePorts.size());
}

void DemoSite::SetVersionText(const std::string& text) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->versionText = text;
}

std::string DemoSite::SessionCookieName() { return "sid"; }

std::string DemoSite::IssueSession() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->NewSession();
}

}  // namespace demosite
