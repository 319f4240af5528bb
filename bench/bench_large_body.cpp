// Memory taken by one large picture: the peak resident size a fetch adds,
// divided by the body's size ("peak_per_body"; 1.0 means the body is held
// once and nothing more). WinHttpRequest, which sizes its buffer from
// Content-Length, reads in large pieces and hands the body on without a copy,
// against a plain libcurl fetch that appends into a string with libcurl's
// default receive buffer. A body without Content-Length grows by appends in
// both. The bodies come from a small server on loopback.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>

#include "net/winhttp_request.h"

namespace {

constexpr long long kBodyBytes = 128LL * 1024 * 1024;

// Serves "/length/N" with Content-Length and "/stream/N" without it (the end of
// the body is the end of the connection), one connection at a time.
class BodyServer {
 public:
  BodyServer() {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::listen(listen_, 8);
    socklen_t length = sizeof(address);
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    std::thread([this] { Serve(); }).detach();
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  void Serve() {
    const std::string chunk(1024 * 1024, 'p');
    for (;;) {
      const int socket = ::accept(listen_, nullptr, nullptr);
      if (socket < 0) continue;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(socket, buffer, sizeof(buffer), 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
      }
      const size_t slash = request.find('/', request.find(' ') + 2);
      const long long size = std::stoll(request.substr(slash + 1));
      std::string head = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
      if (request.find(" /length/") != std::string::npos) {
        head += "Content-Length: " + std::to_string(size) + "\r\n";
      }
      head += "\r\n";
      bool open = ::send(socket, head.data(), head.size(), MSG_NOSIGNAL) > 0;
      for (long long sent = 0; open && sent < size; sent += static_cast<long long>(chunk.size())) {
        const size_t part = static_cast<size_t>(std::min<long long>(size - sent, chunk.size()));
        size_t done = 0;
        while (open && done < part) {
          const ssize_t n = ::send(socket, chunk.data() + done, part - done, MSG_NOSIGNAL);
          open = n > 0;
          if (open) done += static_cast<size_t>(n);
        }
      }
      ::close(socket);
    }
  }
  int listen_ = -1;
  int port_ = 0;
};

BodyServer& Server() {
  static BodyServer* server = new BodyServer;
  return *server;
}

long long StatusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stoll(line.substr(field.size() + 1));
  }
  return 0;
}

// Runs fetch once per iteration and reports the largest peak it added.
template <typename Fetch>
void MeasurePeak(benchmark::State& state, Fetch fetch) {
  double worst = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
    const long long before = StatusKb("VmRSS");
    state.ResumeTiming();
    const std::string body = fetch();
    state.PauseTiming();
    if (static_cast<long long>(body.size()) != kBodyBytes) state.SkipWithError("body not fetched");
    const double added = static_cast<double>(StatusKb("VmHWM") - before) * 1024;
    worst = std::max(worst, added / static_cast<double>(kBodyBytes));
    state.ResumeTiming();
  }
  state.counters["peak_per_body"] = worst;
  state.SetBytesProcessed(state.iterations() * kBodyBytes);
}

void BM_WinHttpRequestLargeBody(benchmark::State& state) {
  const std::string kind = state.range(0) ? "/length/" : "/stream/";
  MeasurePeak(state, [&] {
    return albumdl::WinHttpRequest({.url = Server().Url(kind + std::to_string(kBodyBytes)),
                                    .limits = albumdl::kPictureLimits})
        .body;
  });
}

size_t Append(char* data, size_t size, size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

void BM_PlainCurlLargeBody(benchmark::State& state) {
  const std::string kind = state.range(0) ? "/length/" : "/stream/";
  MeasurePeak(state, [&] {
    std::string body;
    CURL* curl = curl_easy_init();
    const std::string url = Server().Url(kind + std::to_string(kBodyBytes));
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return body;
  });
}

// Argument 1: the server announces Content-Length; 0: it does not.
BENCHMARK(BM_WinHttpRequestLargeBody)->Arg(1)->Arg(0)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCurlLargeBody)->Arg(1)->Arg(0)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
