// albumdl: the album downloader on the command line. It reads the addresses,
// retrieves the album list exactly as the window's "1：获取相册" does, then
// either prints the list (--list) or downloads the ticked albums as the window's
// "2:下载选中相册" does.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/album_output.h"
#include "cli/bounded_read.h"
#include "cli/command_line.h"
#include "cli/input_check.h"
#include "cli/input_text.h"
#include "cli/interrupt_watch.h"
#include "cli/output_stream.h"
#include "cli/pick.h"
#include "cli/printable.h"
#include "cli/terminal_window.h"
#include "download/duplicate_store.h"
#include "download/worker_control.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/program_directory.h"
#include "platform/standard_streams.h"
#include "retrieval/retrieval_control.h"
#include "session/session.h"
#include "session/session_setup.h"
#include "site/site.h"
#include "text/file_helpers.h"
#include "text/settings.h"

namespace albumdl::cli {
namespace {

// Every message is one line on stderr; texts from outside in it go through
// Printable.
void Say(const std::string& utf8Message) { std::cerr << "albumdl: " << utf8Message << "\n"; }

int Fail(const std::string& utf8Message) {
  Say(utf8Message);
  return kExitUsage;
}

// Where albumdl writes. Standard output and the log file hold what the user
// asked for: a failure to write them is reported at the end and fails the
// run. Standard error has nowhere to report its own failures.
struct Outputs {
  OutputStream standardOutput{stdout, "standard output"};
  OutputStream standardError{stderr, "standard error"};
  std::unique_ptr<OutputStream> logFile;
};

// A refusal of the session set-up, as one line on stderr.
int Refuse(const SetupRefusal& refusal) {
  return Fail(refusal.option + " " + Printable(refusal.value) + ": " + refusal.reason);
}

// Where the albums go: -o, else the settings file's folder, else the program
// directory, as the window fills its save-folder box at start-up.
Text ConfiguredSaveFolder(const CommandLine& options, const Session& session) {
  if (!options.saveTo.empty()) return *NameableFolder(options.saveTo);
  return SavedSaveFolder(session);
}

bool ConfiguredSkipSwitch(const CommandLine& options) {
  if (options.skipDownloaded) return *options.skipDownloaded;
  return SavedDuplicateSwitch();
}

// --sync or --no-sync, else the settings file's switch; but a run told to
// fetch every picture again (--no-skip-downloaded) pages through every board.
bool ConfiguredSyncSwitch(const CommandLine& options) {
  if (options.sync) return *options.sync;
  if (options.skipDownloaded == false) return false;
  return SavedSyncSwitch();
}

// An album whose answer never came right (or was not an album's) is passed
// over by the run: say so, with its line and why, instead of a quiet success.
int ReportUnanswered(const AlbumList& list) {
  int unanswered = 0;
  for (const Album& album : list.Rows()) {
    if (!album.failed) continue;
    ++unanswered;
    Say("album " + std::to_string(album.serial) + " (input line " +
        std::to_string(album.lineNumber) + "): the site's answer did not come right (" +
        Printable(AnsiToUtf8(album.failure)) + "); it is not downloaded");
  }
  return unanswered;
}

// Downloads the ticked rows as the window's "2:下载选中相册" does, with a live
// progress line; Ctrl-C ends the run at its next safe point.
int Download(TerminalWindow& window, Session& session, InterruptWatch& interrupt,
             const CommandLine& options, const std::optional<Pick>& pick, Outputs& outputs) {
  // The rows as retrieval ticked them, or exactly the picked ones, or all.
  AlbumList& albums = window.Albums();
  Pick missing;
  if (options.all) {
    for (int row = 0; row < albums.RowCount(); ++row) albums.SetChecked(row, true);
  } else if (pick) {
    missing = TickPicked(albums, *pick);
  }
  if (!options.quiet) outputs.standardOutput.Write(AlbumTable(albums));
  // A pick that names no album of the list is a mistake, not a run with
  // nothing to do; one that names some is carried out and fails the run.
  if (!missing.empty()) {
    const std::string list = " in the list of " + std::to_string(albums.RowCount());
    if (missing == *pick)
      return Fail("--pick " + Printable(options.pick) + ": no such album" + list +
                  "; nothing downloaded");
    Say("--pick " + Printable(options.pick) + ": no album " + Printable(PickText(missing)) + list +
        "; the others are downloaded");
  }

  // The record stores live here; the window makes the folder at start-up.
  EnsureDuplicateStoreFolder(session.programDirectory);

  DownloadSummary summary;
  {
    // What the options do not say, the settings file does, as in the window.
    window.Values().SetPictureLanes(options.jobs.value_or(SavedPictureLanes()));
    window.Values().SetSyncSwitch(ConfiguredSyncSwitch(options));
    window.Values().SetLinkDuplicatesSwitch(
        options.linkDuplicates.value_or(SavedLinkDuplicatesSwitch()));
    WorkerControl control(window, window.Values(), window.Albums(), session,
                          RealPacers(options.pace));
    // A Ctrl-C that came before the action is set runs it at once.
    if (!interrupt.Interrupted() && control.Start()) {
      interrupt.SetAction([&control] { control.EndNow(); });
      summary = control.Wait();
    }
    interrupt.SetAction(nullptr);
  }
  window.EndProgressLine();

  if (interrupt.Interrupted() || summary.ended) return interrupt.ExitStatus();
  const bool failed = summary.failedPictures > 0 || summary.failedPages > 0 ||
                      summary.failedAlbums > 0 || !missing.empty();
  return failed ? kExitFailed : kExitOk;
}

int Run(const CommandLine& options, Outputs& outputs) {
  // The save folder is checked with the home, before either is made.
  if (!options.saveTo.empty() && !NameableFolder(options.saveTo))
    return Refuse(FolderRefusal("-o", options.saveTo));
  // A cookies.txt is read once, bounded like every file the user hands over.
  std::optional<std::string> cookies;
  if (!options.cookieFile.empty()) {
    std::string problem;
    cookies = ReadBounded(options.cookieFile, problem);
    if (!cookies) return Fail("--cookies " + Printable(options.cookieFile) + ": " + problem);
  }
  SessionSetup setup = SetUpSession({.site = options.site,
                                     .imageHost = options.imageHost,
                                     .home = options.home,
                                     .cookieText = cookies,
                                     .proxy = options.proxy});
  if (!setup.session) return Refuse(setup.refusal);
  Session& session = *setup.session;

  // The input first: a run without usable addresses or with a bad --pick never
  // goes near the network.
  InputLines lines;
  if (!options.inputFile.empty()) {
    std::string problem;
    auto read = InputFromFile(options.inputFile, problem);
    if (!read) return Fail("--input " + Printable(options.inputFile) + ": " + problem);
    lines = std::move(*read);
  } else {
    lines = InputFromArguments(options.addresses);
  }
  std::optional<Pick> pick;
  if (!options.pick.empty()) {
    std::string problem;
    pick = ParsePick(options.pick, problem);
    if (!pick) return Fail("--pick " + Printable(options.pick, 40) + ": " + problem);
  }

  // Every line the retrieval would leave out is named now; with none left
  // there is nothing to do.
  const CheckedInput input = CheckInput(lines, session.site);
  for (const std::string& refusal : input.refusals) Say(refusal);
  if (input.usable == 0) {
    if (input.refusals.empty()) return Fail(AnsiToUtf8("请输入网址"));
    return Fail("no board or search address among the input; nothing to do");
  }

  TerminalSettings settings;
  settings.debug = options.debug;
  settings.skipDownloaded = ConfiguredSkipSwitch(options);
  settings.saveFolder = ConfiguredSaveFolder(options, session);
  settings.verbose = options.verbose;
  // With --json, standard output belongs to the document alone.
  settings.console = options.quiet  ? nullptr
                     : options.json ? &outputs.standardError
                                    : &outputs.standardOutput;
  settings.errors = &outputs.standardError;
  settings.progressLine = !options.list && platform::IsTerminal(platform::StandardStream::kError);
  if (!options.logFile.empty()) {
    std::FILE* file = platform::OpenFile(options.logFile, "ab");
    if (file == nullptr) return Fail("--log " + Printable(options.logFile) + ": cannot write it");
    outputs.logFile = std::make_unique<OutputStream>(
        file, "the log file " + Printable(options.logFile), /*owned=*/true);
    settings.logFile = outputs.logFile.get();
  }
  TerminalWindow window(std::move(settings));

  // Retrieval. Ctrl-C ends its pauses and aborts the request under way.
  InterruptWatch interrupt;
  {
    RetrievalControl retrieval(window, window.Values(), window.Albums(), session,
                               RealPacers(options.pace));
    interrupt.SetAction([&retrieval] { retrieval.End(); });
    if (!interrupt.Interrupted() && retrieval.Start(input.text)) retrieval.Wait();
    interrupt.SetAction(nullptr);
  }
  if (interrupt.Interrupted()) return interrupt.ExitStatus();

  AlbumList& albums = window.Albums();
  // A refused line or an album without an answer fails a run that went well
  // otherwise.
  const bool leftOut = ReportUnanswered(albums) > 0 || !input.refusals.empty();
  if (options.list) {
    outputs.standardOutput.Write(options.json ? AlbumListJson(albums) + "\n" : AlbumTable(albums));
    return leftOut ? kExitFailed : kExitOk;
  }

  const int status = Download(window, session, interrupt, options, pick, outputs);
  return status == kExitOk && leftOut ? kExitFailed : status;
}

// What could not be written of what the user asked for is said last, and a
// run that went well otherwise fails with it, as the core utilities do.
int WithOutputFailures(int status, Outputs& outputs) {
  bool failed = false;
  for (OutputStream* stream : {&outputs.standardOutput, outputs.logFile.get()}) {
    if (stream == nullptr) continue;
    stream->Close();
    const std::string failure = stream->Failure();
    if (failure.empty()) continue;
    Say(failure);
    failed = true;
  }
  return failed && status == kExitOk ? kExitFailed : status;
}

}  // namespace
}  // namespace albumdl::cli

int main(int argc, char** argv) {
  using namespace albumdl;
  // Before anything opens a descriptor: a closed standard stream must not be
  // handed out again (to the pipe of the stop requests, say).
  platform::OpenNullOnClosedStandardStreams();
  platform::SurviveBrokenPipes();
  platform::PrepareStandardStreams();
  // UTF-8 on every system (on Windows from the wide command line).
  std::vector<std::string> arguments = platform::CommandLineArguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  cli::Outputs outputs;
  cli::CommandLine options;
  const std::optional<int> stop = cli::ParseCommandLine(
      static_cast<int>(arguments.size()), pointers.data(), options, outputs.standardOutput);
  const int status = stop ? *stop : cli::Run(options, outputs);
  return cli::WithOutputFailures(status, outputs);
}
