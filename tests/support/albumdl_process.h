// The built albumdl program run as a child process, for tests that drive it as
// a user does: by its arguments, then by what it printed and its exit status.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace albumdl::testing {

struct ProcessOutcome {
  int status = -1;  // the exit status; 128 + the signal when a signal ended it
  std::string out;
  std::string err;
};

// Starts albumdl with these arguments. Standard input comes from stdinPath;
// standard output and error go to the files outPath and errPath.
pid_t StartAlbumdl(const std::vector<std::string>& arguments, const std::string& outPath,
                   const std::string& errPath, const std::string& stdinPath = "/dev/null");

// What albumdl's standard streams are when it starts: a path (read for input,
// created or emptied for the others), kClosed, or a descriptor of the test's
// own (a pipe's end) when the descriptor is not -1.
struct StandardStreams {
  static inline const std::string kClosed = "(closed)";
  std::string in = "/dev/null";
  std::string out = kClosed;
  std::string err = kClosed;
  int outDescriptor = -1;
  int errDescriptor = -1;
};
pid_t StartAlbumdl(const std::vector<std::string>& arguments, const StandardStreams& streams);
// Waits for it to end: its exit status, 128 + the signal when a signal ended it.
int ExitStatusOf(pid_t child);
// Waits for it to end and reads what it printed.
ProcessOutcome FinishAlbumdl(pid_t child, const std::string& outPath, const std::string& errPath);
// The arguments of a download from the stand-in site at siteHost without
// pauses, into the program directory home and the save folder saves, followed
// by the test's own.
std::vector<std::string> DownloadArguments(const std::string& siteHost, const std::string& home,
                                           const std::string& saves,
                                           const std::vector<std::string>& more);
// The whole file, empty when it cannot be read.
std::string ReadNativeFile(const std::string& path);

}  // namespace albumdl::testing
