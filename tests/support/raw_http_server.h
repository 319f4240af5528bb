// A tiny HTTP server on loopback for protocol-exact tests: it records every
// request byte for byte (header lines in the order they came) and answers with
// raw responses the test writes itself, so a test can send anything a real
// server might (lower-case header names, redirects, early closes, silence).
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/socket_calls.h"

namespace albumdl::testing {

struct RawRequest {
  std::string requestLine;
  std::vector<std::string> headerLines;  // in order, without line ends
  std::string body;
  int connection = 0;  // 1-based number of the connection it came on

  std::string Method() const;
  std::string Target() const;
  // Names of the header lines, in order.
  std::vector<std::string> Names() const;
  // Values of the lines with this name (any letter case), in order.
  std::vector<std::string> Values(const std::string& name) const;
};

struct RawResponse {
  std::string bytes{};
  // After sending bytes, keep the connection open and silent until Stop().
  bool stall = false;
  // After sending bytes, send these one byte at a time, trickleMs apart.
  std::string trickle{};
  int trickleMs = 0;
  // After sending bytes, reset the connection (RST) instead of closing it.
  bool reset = false;
};

// A complete response with Content-Length; closes the connection unless
// keepAlive. headerLines are "Name: value\r\n" lines.
RawResponse MakeResponse(const std::string& statusLine, const std::string& headerLines,
                         const std::string& body, bool keepAlive = false);
class RawHttpServer {
 public:
  RawHttpServer() = default;
  ~RawHttpServer();
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  // Listens on 127.0.0.1 at a free port. False when that fails.
  bool Start();
  void Stop();
  int Port() const { return port_; }
  // "http://127.0.0.1:<port>" + path
  std::string Url(const std::string& path) const;

  // The answer to requests for this path (query ignored); others get the
  // default answer, a 200 with body "ok".
  void SetResponse(const std::string& path, const RawResponse& response);
  void SetDefaultResponse(const RawResponse& response);
  // Every connection from now on is answered with these bytes at once and
  // closed, without a request being read: a peer that does not speak HTTP
  // (or TLS) at all.
  void SetGreeting(const std::string& bytes);

  std::vector<RawRequest> Requests() const;
  int ConnectionCount() const;

 private:
  void AcceptLoop();
  void Serve(SocketHandle socket, int connection);
  RawResponse ResponseFor(const std::string& target) const;

  SocketHandle listenSocket_ = kNoSocket;
  int port_ = 0;
  bool stopping_ = false;
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  std::map<std::string, RawResponse> responses_;
  RawResponse defaultResponse_ = MakeResponse("HTTP/1.1 200 OK", "", "ok");
  std::string greeting_;
  std::vector<RawRequest> requests_;
  std::set<SocketHandle> openSockets_;
  int connections_ = 0;
  std::thread acceptThread_;
  std::vector<std::thread> serveThreads_;
};

}  // namespace albumdl::testing
