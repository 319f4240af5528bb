// What the user asked albumdl for on its command line. Every text here is as it
// came in: UTF-8, native paths.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/run_report.h"

namespace albumdl::cli {

struct CommandLine {
  std::vector<std::string> addresses;  // album addresses given as arguments
  std::string inputFile;               // --input: one address a line, "-" for stdin
  bool list = false;                   // retrieve and print, download nothing
  bool json = false;                   // the list as one JSON document on stdout
  std::string site;                    // --site: the site host
  std::string imageHost;               // --image-host
  std::string cookieFile;              // --cookies: a Netscape cookies.txt
  std::string proxy;                   // --proxy: every request goes through it
  std::string home;                    // --home: the program directory
  double pace = 1.0;                   // multiplies every pause
  std::optional<int> jobs;  // pictures of an album fetched at once; unset: the settings file
  bool debug = false;
  std::string logFile;                 // --log: the activity log is appended here too
  bool quiet = false;                  // no activity log on the console
  bool verbose = false;                // status captions on the console too
  std::string pick;                    // --pick 1,3-5: download exactly these serials
  bool all = false;                    // download every row
  std::string saveTo;                  // -o: the save folder
  std::optional<bool> skipDownloaded;  // unset: the settings file decides
  std::optional<bool> sync;            // only what is new on each board; unset: the settings file
  std::optional<bool> linkDuplicates;  // one copy of a picture; unset: the settings file
};

inline constexpr int kMostJobs = kMostPictureLanes;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// A run ended by a stop request exits with the request's own status (130 for
// Ctrl-C, 143 for SIGTERM, 129 for SIGHUP: platform/stop_requests.h).

class OutputStream;

// Parses argv into options. Returns an exit status when the program has to stop
// right away: after --help or --version (0; their text goes to
// standardOutput), or on bad options (2, with a one-line message on stderr).
std::optional<int> ParseCommandLine(int argc, char** argv, CommandLine& options,
                                    OutputStream& standardOutput);

}  // namespace albumdl::cli
