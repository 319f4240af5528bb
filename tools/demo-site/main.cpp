// albumdl-demo-site: serves the stand-in image-board site with its built-in
// data set on 127.0.0.1 until it gets SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo_site.h"

namespace {

// The port the downloader uses when no site is configured.
const int kDefaultPort = 18631;

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: albumdl-demo-site [--port N] [--log-requests]\n"
               "Serves the demo image-board site on http://127.0.0.1:N (default %d)\n"
               "until interrupted. Pictures are under /img, the login page is /login.\n"
               "--log-requests prints \"METHOD target\" of every request to stdout.\n",
               kDefaultPort);
}

bool ParsePort(const char* text, int& port) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int port = kDefaultPort;
  bool logRequests = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      PrintUsage(stdout);
      return 0;
    }
    if (arg == "--log-requests") {
      logRequests = true;
      continue;
    }
    if (arg == "--port" && i + 1 < argc) {
      if (!ParsePort(argv[++i], port)) {
        std::fprintf(stderr, "albumdl-demo-site: not a port number: %s\n", argv[i]);
        return 2;
      }
      continue;
    }
    if (arg.rfind("--port=", 0) == 0) {
      if (!ParsePort(arg.c_str() + 7, port)) {
        std::fprintf(stderr, "albumdl-demo-site: not a port number: %s\n", arg.c_str() + 7);
        return 2;
      }
      continue;
    }
    std::fprintf(stderr, "albumdl-demo-site: unknown argument: %s\n", arg.c_str());
    PrintUsage(stderr);
    return 2;
  }

  // The signals are taken by sigwait below, so block them before the server
  // starts its threads, which inherit the mask. A client that hangs up while
  // a picture is written must not end the program either.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  demosite::DemoSite site;
  if (logRequests) {
    site.SetRequestObserver([](const demosite::RequestRecord& request) {
      std::printf("%s %s\n", request.method.c_str(), request.target.c_str());
      std::fflush(stdout);
    });
  }
  if (!site.Start(port)) {
    std::fprintf(stderr, "albumdl-demo-site: cannot listen on 127.0.0.1:%d\n", port);
    return 2;
  }
  std::printf("albumdl-demo-site listening on %s\n", site.SiteHost().c_str());
  std::fflush(stdout);

  int received = 0;
  sigwait(&signals, &received);
  site.Stop();
  return 0;
}
