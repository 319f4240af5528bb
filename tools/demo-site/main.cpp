// albumdl-demo-site: serves the stand-in image-board site with its built-in
// data set on 127.0.0.1 until it is asked to stop (SIGINT or SIGTERM; Ctrl-C
// on Windows), with the faults, the latency and the hostile data its command
// line asks for.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo_site.h"
#include "fault_setting.h"
#include "hostile_data.h"
#include "stop_signal.h"

namespace {

// The port the downloader uses when no site is configured.
const int kDefaultPort = 18631;

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: albumdl-demo-site [--port N] [--log-requests] [--latency MS]\n"
               "                         [--fault FAULT]... [--hostile]\n"
               "Serves the demo image-board site on http://127.0.0.1:N (default %d)\n"
               "until interrupted. Pictures are under /img, the login page is /login;\n"
               "/demo/grow?board=ID&pins=N pins N new pictures on top of a board (the\n"
               "board \"growing\" is there for it).\n"
               "  --log-requests  print \"METHOD target\" of every request to stdout\n"
               "  --latency MS    answer every request MS milliseconds late, as a slow\n"
               "                  network would (connections wait side by side)\n"
               "  --hostile       also serve boards and searches with hostile answers:\n"
               "                  boards hostile-controls, hostile-long-title, hostile-bad-utf8,\n"
               "                  hostile-emoji, hostile-keys, hostile-pin-ids, hostile-deep,\n"
               "                  hostile-deeper, hostile-huge-page, hostile-count, ../x, a/b,\n"
               "                  ..\\x; searches\n"
               "                  hostile-total, hostile-controls, %%F0%%9F%%98%%80 (an emoji)\n"
               "  --fault FAULT    make the requests under a path fail; repeatable, one per\n"
               "                  path prefix. FAULT is\n"
               "%s",
               kDefaultPort, demosite::kFaultSyntax);
}

bool ParsePort(const char* text, int& port) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
}

bool ParseLatency(const char* text, int& ms) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > 600000) return false;
  ms = static_cast<int>(value);
  return true;
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; null when
// arg is not that option. A missing value gives "" and leaves i alone.
const char* OptionValue(const std::string& name, int argc, char** argv, int& i) {
  std::string arg = argv[i];
  if (arg.rfind(name + "=", 0) == 0) return argv[i] + name.size() + 1;
  if (arg != name) return nullptr;
  if (i + 1 >= argc) return "";
  return argv[++i];
}

int BadUse(const std::string& message) {
  std::fprintf(stderr, "albumdl-demo-site: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int port = kDefaultPort;
  int latency = 0;
  bool logRequests = false;
  bool hostile = false;
  std::vector<demosite::FaultSetting> faults;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if ((arg == "--port" || arg == "--latency" || arg == "--fault") && i + 1 >= argc) {
      return BadUse(arg + " needs a value");
    }
    if (arg == "--help" || arg == "-h") {
      PrintUsage(stdout);
      return 0;
    }
    if (arg == "--log-requests") {
      logRequests = true;
      continue;
    }
    if (arg == "--hostile") {
      hostile = true;
      continue;
    }
    if (const char* value = OptionValue("--port", argc, argv, i)) {
      if (!ParsePort(value, port)) return BadUse(std::string("not a port number: ") + value);
      continue;
    }
    if (const char* value = OptionValue("--latency", argc, argv, i)) {
      if (!ParseLatency(value, latency)) {
        return BadUse(std::string("--latency needs milliseconds from 0 to 600000, not \"") + value +
                      "\"");
      }
      continue;
    }
    if (const char* value = OptionValue("--fault", argc, argv, i)) {
      std::string error;
      auto setting = demosite::ParseFaultSetting(value, error);
      if (!setting) return BadUse(std::string("bad --fault \"") + value + "\": " + error);
      for (const auto& earlier : faults) {
        if (earlier.pathPrefix == setting->pathPrefix) {
          return BadUse(std::string("bad --fault \"") + value + "\": the prefix " +
                        setting->pathPrefix + " has a fault already (one fault per prefix)");
        }
      }
      faults.push_back(*setting);
      continue;
    }
    std::fprintf(stderr, "albumdl-demo-site: unknown argument: %s\n", arg.c_str());
    PrintUsage(stderr);
    return 2;
  }

  demosite::CatchStopSignals();

  demosite::DemoSite site;
  if (hostile) demosite::AddHostileData(site);
  for (const auto& setting : faults) site.SetFault(setting.pathPrefix, setting.fault);
  site.SetLatency(latency);
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

  demosite::WaitForStopSignal();
  site.Stop();
  return 0;
}
