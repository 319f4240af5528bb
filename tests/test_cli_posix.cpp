// The albumdl program and what only a POSIX system has: closed descriptors, a
// pipe whose reader went away, /dev/full, and the signals SIGINT, SIGTERM and
// SIGHUP. (On Windows Ctrl-C is a console event: test_cli's
// InterruptEndsTheRun... covers it where the system can send one.)
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "cli_test.h"

namespace albumdl {
namespace {

TEST_F(AlbumdlTest, ClosedStandardStreamsOrAReaderThatWentAwayLeaveTheRunWhole) {
  using Streams = testing::StandardStreams;
  const std::vector<std::string> arguments = DownloadArguments(
      site.SiteHost(), home.Native(), saved.Native(), {Board(demosite::kFlowersBoardId)});
  // All three closed: nothing the program opens may take their place.
  EXPECT_EQ(testing::ExitStatusOf(testing::StartAlbumdl(
                arguments, Streams{Streams::kClosed, Streams::kClosed, Streams::kClosed})),
            0);
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 12u);

  // Standard output a pipe whose reader is gone, as `| head -1` leaves it.
  TempDir again;
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  close(ends[0]);
  Streams toPipe{"/dev/null", "", scratch.NativeFile("err.txt")};
  toPipe.outDescriptor = ends[1];
  const testing::Child child =
      testing::StartAlbumdl(DownloadArguments(site.SiteHost(), home.Native(), again.Native(),
                                              {Board(demosite::kFlowersBoardId)}),
                            toPipe);
  close(ends[1]);
  EXPECT_EQ(testing::ExitStatusOf(child), 0);
  EXPECT_EQ(FilesUnder(again.Native()).size(), 12u);
  EXPECT_EQ(ReadFile(scratch.NativeFile("err.txt")).find("cannot write"), std::string::npos);
}

TEST_F(AlbumdlTest, WhatCannotBeWrittenIsSaidAndFailsTheRun) {
  const std::string log = scratch.NativeFile("err.txt");
  const std::string full = "/dev/full";
  const std::string noRoom = "No space left on device";
  struct Case {
    std::vector<std::string> arguments;
    std::string out;
    std::string message;
  };
  const std::vector<Case> cases{
      {{"--list", "--json", Board(demosite::kTravelBoardId)},
       full,
       "albumdl: cannot write standard output: " + noRoom},
      {{"-o", saved.Native(), Board(demosite::kFlowersBoardId)},
       full,
       "albumdl: cannot write standard output: " + noRoom},
      {{"--list", "--log", full, Board(demosite::kTravelBoardId)},
       "/dev/null",
       "albumdl: cannot write the log file /dev/full: " + noRoom},
      {{"--help"}, full, "albumdl: cannot write standard output: " + noRoom},
      {{"--version"}, full, "albumdl: cannot write standard output: " + noRoom},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments{"--site", site.SiteHost(), "--pace",
                                       "0",      "--home",        home.Native()};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const int status = testing::ExitStatusOf(
        testing::StartAlbumdl(arguments, testing::StandardStreams{"/dev/null", c.out, log}));
    EXPECT_EQ(status, 1) << c.arguments[0];
    const std::string err = ReadFile(log);
    EXPECT_EQ(OwnMessages(err), std::vector<std::string>{c.message}) << err;
    EXPECT_TRUE(err.ends_with(c.message + "\n")) << err;
  }
  // The download itself went on.
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 12u);
}

// Standard input that cannot be read (a folder given with "<") is said, not
// taken for an empty list.
TEST_F(AlbumdlTest, StandardInputThatCannotBeReadIsSaid) {
  const Outcome run = Run({"--list", "--input", "-"}, scratch.Native());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(OwnMessages(run.err),
            std::vector<std::string>{"albumdl: --input -: cannot read it: Is a directory"});
}

TEST_F(AlbumdlTest, StopRequestsEndTheRunAsCtrlCDoesWithTheirOwnStatus) {
  // Every picture hangs; the run is asked to stop once the first one is asked for.
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 20000;
  site.SetFault("/img/", slow);
  for (const auto& [signal, status] :
       {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
    SCOPED_TRACE(strsignal(signal));
    site.ClearRequests();
    const testing::Child child =
        StartAlbumdl(DownloadArguments(site.SiteHost(), home.Native(), saved.Native(),
                                       {Board(demosite::kFlowersBoardId)}),
                     scratch);
    ASSERT_NE(child, testing::kNoChild);
    while (PictureRequests() == 0 && !testing::ChildHasEnded(child)) usleep(10000);
    ASSERT_EQ(PictureRequests(), 1);
    kill(static_cast<pid_t>(child), signal);
    const Outcome run = FinishAlbumdl(child, scratch);
    EXPECT_EQ(run.status, status) << run.out << run.err;
    EXPECT_NE(run.out.find(Utf8(u8"执行了结束下载")), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(Utf8(u8"全部下载完毕")), std::string::npos);
    EXPECT_EQ(run.err.find(Utf8(u8"全部下载完毕")), std::string::npos);
    EXPECT_TRUE(FilesUnder(saved.Native()).empty());
  }
}

}  // namespace
}  // namespace albumdl
