// albumdl: the album downloader on the command line. It reads the addresses,
// retrieves the album list exactly as the window's "1：获取相册" does, then
// either prints the list (--list) or downloads the ticked albums as the window's
// "2:下载选中相册" does.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <set>
#include <string>

#include "catalogue/retrieval_control.h"
#include "catalogue/session.h"
#include "cli/album_output.h"
#include "cli/command_line.h"
#include "cli/input_text.h"
#include "cli/interrupt_watch.h"
#include "cli/pick.h"
#include "cli/terminal_window.h"
#include "download/worker_control.h"
#include "net/cookie_store.h"
#include "net/site.h"
#include "platform/files.h"
#include "platform/program_directory.h"
#include "text/file_helpers.h"
#include "text/settings.h"

namespace albumdl::cli {
namespace {

int Fail(const std::string& utf8Message) {
  std::cerr << "albumdl: " << utf8Message << "\n";
  return kExitUsage;
}

std::string Absolute(const std::string& nativePath) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(nativePath, error);
  return error ? nativePath : absolute.lexically_normal().string();
}

// A configured address never ends in "/": the site's paths are appended to it.
Text SiteAddress(const std::string& utf8) {
  Text address = Utf8ToAnsi(utf8);
  while (!address.empty() && address.back() == '/') address.pop_back();
  return address;
}

// The site from the settings file, then what the command line says over it.
Site ConfiguredSite(const CommandLine& options) {
  Site site = ReadSiteSettings(SettingsPath());
  if (!options.site.empty()) {
    site.siteHost = SiteAddress(options.site);
    site.imageHost = site.siteHost + "/img";
  }
  if (!options.imageHost.empty()) site.imageHost = SiteAddress(options.imageHost);
  return site;
}

// Where the albums go: -o, else the settings file's folder, else the program
// directory, as the window fills its save-folder box at start-up.
Text ConfiguredSaveFolder(const CommandLine& options, const Text& programDirectory) {
  if (!options.saveTo.empty())
    return platform::TextPathOf(platform::NativePath::FromSystem(Absolute(options.saveTo)));
  const Text saved = ReadSetting(SettingsPath(), kSettingsSection, kSaveFolderKey);
  return saved.empty() ? programDirectory : saved;
}

bool ConfiguredSkipSwitch(const CommandLine& options) {
  if (options.skipDownloaded) return *options.skipDownloaded;
  return ReadSetting(SettingsPath(), kSettingsSection, kDuplicateKey) == "1";
}

// A row without a picture count is an album whose answer never came (or was
// not an album): the run passes over it, so say so instead of a quiet success.
int ReportUnanswered(const AlbumList& list) {
  int unanswered = 0;
  for (const AlbumRow& row : list.Rows()) {
    if (!row.cells[kColumnCount].empty()) continue;
    ++unanswered;
    std::cerr << "albumdl: album " << AnsiToUtf8(row.cells[kColumnSerial]) << " ("
              << AnsiToUtf8(row.cells[kColumnAlbumId])
              << "): the site gave no picture count; it is not downloaded\n";
  }
  return unanswered;
}

// Downloads the ticked rows as the window's "2:下载选中相册" does, with a live
// progress line; Ctrl-C ends the run at its next safe point.
int Download(TerminalWindow& window, Session& session, InterruptWatch& interrupt,
             const CommandLine& options, const std::set<int>& picked) {
  // The rows as retrieval ticked them, or exactly the picked ones, or all.
  AlbumList& albums = window.Albums();
  if (options.all) {
    for (int row = 0; row < albums.RowCount(); ++row) albums.SetChecked(row, true);
  } else if (!options.pick.empty()) {
    for (int serial : TickPicked(albums, picked))
      std::cerr << "albumdl: no album " << serial << " in the list\n";
  }
  if (!options.quiet) std::cout << AlbumTable(albums) << std::flush;

  // The record stores live here; the window makes the folder at start-up.
  Text storeFolder = session.programDirectory + "\\防止重复下载数据库\\";
  EnsureDirectory(storeFolder);

  DownloadSummary summary;
  {
    WorkerControl control(window, session, RealPacers(options.pace));
    // A Ctrl-C that came before the action is set runs it at once.
    if (!interrupt.Interrupted() && control.Start()) {
      interrupt.SetAction([&control] { control.EndNow(); });
      summary = control.Wait();
    }
    interrupt.SetAction(nullptr);
  }
  window.EndProgressLine();

  if (interrupt.Interrupted() || summary.ended) return kExitInterrupted;
  return summary.failedPictures > 0 || summary.failedPages > 0 || summary.failedAlbums > 0
             ? kExitFailed
             : kExitOk;
}

int Run(const CommandLine& options) {
  if (!options.home.empty()) {
    const std::string home = Absolute(options.home);
    std::error_code error;
    std::filesystem::create_directories(home, error);
    if (!std::filesystem::is_directory(home, error))
      return Fail("cannot use " + options.home + " as the program directory");
    platform::SetProgramDirectory(platform::TextPathOf(platform::NativePath::FromSystem(home)));
  }

  // The input first: a run without addresses or with a bad --pick never goes
  // near the network.
  Text input;
  if (!options.inputFile.empty()) {
    const auto read = InputTextFromFile(options.inputFile);
    if (!read) return Fail("cannot read " + options.inputFile);
    input = *read;
  } else {
    input = InputTextFromArguments(options.addresses);
  }
  if (input.empty()) return Fail(AnsiToUtf8("请输入网址"));
  std::set<int> picked;
  if (!options.pick.empty()) {
    const auto serials = ParsePick(options.pick);
    if (!serials) return Fail("--pick wants serials such as 1,3-5, not " + options.pick);
    picked = *serials;
  }

  Session session;
  session.programDirectory = platform::ProgramDirectory();
  session.site = ConfiguredSite(options);

  TerminalSettings settings;
  settings.debug = options.debug;
  settings.skipDownloaded = ConfiguredSkipSwitch(options);
  settings.saveFolder = ConfiguredSaveFolder(options, session.programDirectory);
  settings.verbose = options.verbose;
  // With --json, standard output belongs to the document alone.
  settings.console = options.quiet ? nullptr : options.json ? stderr : stdout;
  settings.progressLine = !options.list && isatty(STDERR_FILENO);
  if (!options.cookieFile.empty()) {
    if (!LoadCookieFile(options.cookieFile)) return Fail("cannot read " + options.cookieFile);
    settings.viewerCookies = StoredCookiesFor(session.site.siteHost + "/");
  }
  if (!options.logFile.empty()) {
    settings.logFile = std::fopen(options.logFile.c_str(), "ab");
    if (settings.logFile == nullptr) return Fail("cannot write " + options.logFile);
  }
  TerminalWindow window(std::move(settings));

  // Retrieval. Ctrl-C ends its pauses and aborts the request under way.
  InterruptWatch interrupt;
  {
    RetrievalControl retrieval(window, session, RealPacers(options.pace));
    interrupt.SetAction([&retrieval] { retrieval.End(); });
    if (!interrupt.Interrupted() && retrieval.Start(input)) retrieval.Wait();
    interrupt.SetAction(nullptr);
  }
  if (interrupt.Interrupted()) return kExitInterrupted;

  AlbumList& albums = window.Albums();
  const int unanswered = ReportUnanswered(albums);
  if (options.list) {
    std::cout << (options.json ? AlbumListJson(albums) + "\n" : AlbumTable(albums));
    return unanswered > 0 ? kExitFailed : kExitOk;
  }

  const int status = Download(window, session, interrupt, options, picked);
  return status == kExitOk && unanswered > 0 ? kExitFailed : status;
}

}  // namespace
}  // namespace albumdl::cli

int main(int argc, char** argv) {
  albumdl::cli::CommandLine options;
  if (const auto status = albumdl::cli::ParseCommandLine(argc, argv, options)) return *status;
  return albumdl::cli::Run(options);
}
