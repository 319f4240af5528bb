#include "support/raw_http_server.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>

namespace albumdl::testing {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string NameOf(const std::string& line) { return line.substr(0, line.find(':')); }

std::string ValueOf(const std::string& line) {
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return "";
  const size_t start = line.find_first_not_of(' ', colon + 1);
  return start == std::string::npos ? "" : line.substr(start);
}

}  // namespace

std::string RawRequest::Method() const { return requestLine.substr(0, requestLine.find(' ')); }

std::string RawRequest::Target() const {
  const size_t first = requestLine.find(' ');
  const size_t last = requestLine.rfind(' ');
  if (first == std::string::npos || last <= first) return "";
  return requestLine.substr(first + 1, last - first - 1);
}

std::vector<std::string> RawRequest::Names() const {
  std::vector<std::string> names;
  for (const std::string& line : headerLines) names.push_back(NameOf(line));
  return names;
}

std::vector<std::string> RawRequest::Values(const std::string& name) const {
  std::vector<std::string> values;
  for (const std::string& line : headerLines) {
    if (Lower(NameOf(line)) == Lower(name)) values.push_back(ValueOf(line));
  }
  return values;
}

RawResponse MakeResponse(const std::string& statusLine, const std::string& headerLines,
                         const std::string& body, bool keepAlive) {
  RawResponse response;
  response.bytes = statusLine + "\r\n" + headerLines +
                   "Content-Length: " + std::to_string(body.size()) + "\r\n" +
                   (keepAlive ? "" : "Connection: close\r\n") + "\r\n" + body;
  return response;
}

RawHttpServer::~RawHttpServer() { Stop(); }

bool RawHttpServer::Start() {
  listenSocket_ = ListenOnLoopback(0, 64);
  if (listenSocket_ == kNoSocket) return false;
  port_ = BoundPort(listenSocket_);
  acceptThread_ = std::thread(&RawHttpServer::AcceptLoop, this);
  return true;
}

void RawHttpServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || listenSocket_ == kNoSocket) return;
    stopping_ = true;
    // Shutting a socket down wakes the thread blocked on it.
    StopListening(listenSocket_);
    for (SocketHandle socket : openSockets_) ShutdownSocket(socket);
  }
  stopped_.notify_all();
  if (acceptThread_.joinable()) acceptThread_.join();
  for (std::thread& thread : serveThreads_) thread.join();
  serveThreads_.clear();
  listenSocket_ = kNoSocket;
}

std::string RawHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void RawHttpServer::SetResponse(const std::string& path, const RawResponse& response) {
  std::lock_guard<std::mutex> lock(mutex_);
  responses_[path] = response;
}

void RawHttpServer::SetDefaultResponse(const RawResponse& response) {
  std::lock_guard<std::mutex> lock(mutex_);
  defaultResponse_ = response;
}

void RawHttpServer::SetGreeting(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  greeting_ = bytes;
}

std::vector<RawRequest> RawHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

int RawHttpServer::ConnectionCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

RawResponse RawHttpServer::ResponseFor(const std::string& target) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = responses_.find(target.substr(0, target.find('?')));
  return found != responses_.end() ? found->second : defaultResponse_;
}

void RawHttpServer::AcceptLoop() {
  for (;;) {
    const SocketHandle socket = AcceptConnection(listenSocket_);
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) {
      if (socket != kNoSocket) CloseSocket(socket);
      return;
    }
    if (socket == kNoSocket) continue;
    openSockets_.insert(socket);
    serveThreads_.emplace_back(&RawHttpServer::Serve, this, socket, ++connections_);
  }
}

void RawHttpServer::Serve(SocketHandle socket, int connection) {
  std::string pending;
  char buffer[4096];
  const auto readMore = [&] {
    const long n = ReceiveSome(socket, buffer, sizeof(buffer));
    if (n <= 0) return false;
    pending.append(buffer, static_cast<size_t>(n));
    return true;
  };
  std::string greeting;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    greeting = greeting_;
  }
  bool open = greeting.empty();
  if (!open && SendAll(socket, greeting)) {
    // Whatever the client sends is read until it gives up, so the close that
    // follows is a plain one.
    while (readMore()) pending.clear();
  }
  while (open) {
    size_t end;
    while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
      if (!readMore()) {
        open = false;
        break;
      }
    }
    if (!open) break;

    RawRequest request;
    request.connection = connection;
    const std::string head = pending.substr(0, end);
    size_t lineStart = 0;
    for (size_t lineEnd = head.find("\r\n");; lineEnd = head.find("\r\n", lineStart)) {
      const std::string line = head.substr(lineStart, lineEnd - lineStart);
      if (request.requestLine.empty()) {
        request.requestLine = line;
      } else {
        request.headerLines.push_back(line);
      }
      if (lineEnd == std::string::npos) break;
      lineStart = lineEnd + 2;
    }
    pending.erase(0, end + 4);
    const std::vector<std::string> lengths = request.Values("Content-Length");
    const size_t length = lengths.empty() ? 0 : std::strtoul(lengths[0].c_str(), nullptr, 10);
    while (pending.size() < length && readMore()) {
    }
    request.body = pending.substr(0, length);
    pending.erase(0, std::min(length, pending.size()));

    const RawResponse response = ResponseFor(request.Target());
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    if (!SendAll(socket, response.bytes)) break;
    bool sent = true;
    for (char byte : response.trickle) {
      std::unique_lock<std::mutex> lock(mutex_);
      if (stopped_.wait_for(lock, std::chrono::milliseconds(response.trickleMs),
                            [this] { return stopping_; })) {
        sent = false;
        break;
      }
      lock.unlock();
      if (!SendAll(socket, std::string(1, byte))) {
        sent = false;
        break;
      }
    }
    if (!sent) break;
    if (response.reset) {
      // Closing with a zero linger time sends RST instead of FIN.
      ResetOnClose(socket);
      break;
    }
    if (response.stall) {
      std::unique_lock<std::mutex> lock(mutex_);
      stopped_.wait(lock, [this] { return stopping_; });
      break;
    }
    const std::string responseHead =
        Lower(response.bytes.substr(0, response.bytes.find("\r\n\r\n")));
    if (responseHead.find("connection: close") != std::string::npos) break;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  openSockets_.erase(socket);
  CloseSocket(socket);
}

}  // namespace albumdl::testing
