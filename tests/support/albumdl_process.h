// The built programs (albumdl, albumdl-demo-site) run as child processes, for
// tests that drive them as a user does: by their arguments, then by what they
// printed and their exit status. A POSIX and a Windows half
// (child_process_*.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace albumdl::testing {

// A started child: its process id on POSIX systems, its handle on Windows;
// kNoChild when it could not be started.
using Child = std::intptr_t;
constexpr Child kNoChild = -1;

// The status of a child ended by KillChild, as a shell reports SIGKILL.
constexpr int kKilledStatus = 128 + 9;

struct ProcessOutcome {
  int status = -1;  // the exit status; 128 + the signal when a signal ended it
  std::string out;
  std::string err;
};

// The built albumdl and albumdl-demo-site.
std::string AlbumdlProgram();
std::string DemoSiteProgram();

// What a child's standard streams are when it starts: a path (read for input,
// created or emptied for the others; empty: the null device), kClosed, or a
// descriptor of the test's own (a pipe's end, POSIX systems only) when the
// descriptor is not -1.
struct StandardStreams {
  static inline const std::string kClosed = "(closed)";
  std::string in;
  std::string out = kClosed;
  std::string err = kClosed;
  int outDescriptor = -1;
  int errDescriptor = -1;
};

// Starts the program with these arguments and standard streams.
Child StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const StandardStreams& streams);
// Standard input from the file stdinPath (nothing when empty); standard output
// and error to the files outPath and errPath.
Child StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& outPath, const std::string& errPath,
                   const std::string& stdinPath = "");
Child StartAlbumdl(const std::vector<std::string>& arguments, const std::string& outPath,
                   const std::string& errPath, const std::string& stdinPath = "");
Child StartAlbumdl(const std::vector<std::string>& arguments, const StandardStreams& streams);
// Waits for it to end and returns its exit status (see ProcessOutcome).
int WaitForChild(Child child);
inline int ExitStatusOf(Child child) { return WaitForChild(child); }
// Waits for it to end and reads what it printed.
ProcessOutcome FinishAlbumdl(Child child, const std::string& outPath, const std::string& errPath);
// True once it has ended; leaves its status for WaitForChild.
bool ChildHasEnded(Child child);
// Ends it at once, as SIGKILL does (status kKilledStatus).
void KillChild(Child child);
// Ctrl-C (SIGINT; on Windows Ctrl-Break, the console event a child in a
// process group of its own can be sent).
void InterruptChild(Child child);
// Asks it to end as a service manager would (SIGTERM; Ctrl-Break on Windows).
void AskChildToStop(Child child);

// The arguments of a download from the stand-in site at siteHost without
// pauses, into the program directory home and the save folder saves, followed
// by the test's own.
std::vector<std::string> DownloadArguments(const std::string& siteHost, const std::string& home,
                                           const std::string& saves,
                                           const std::vector<std::string>& more);
// The whole file, empty when it cannot be read.
std::string ReadNativeFile(const std::string& path);
// Writes the file, replacing it.
void WriteNativeFile(const std::string& path, const std::string& bytes);

}  // namespace albumdl::testing
