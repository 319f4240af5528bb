#include "cli/command_line.h"

#include <cstdlib>

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/output_stream.h"
#include "cli/pick.h"
#include "cli/printable.h"

#ifndef ALBUMDL_VERSION
#define ALBUMDL_VERSION "0.1.0"
#endif

namespace albumdl::cli {

namespace {

bool DecimalDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// A whole number in decimal digits only: the option parser would read "0x4"
// as hexadecimal and "010" as octal. The text is handed on as the plain number.
CLI::Validator WholeNumber(int low, int high) {
  const std::string range = std::to_string(low) + " to " + std::to_string(high);
  return CLI::Validator(
      [low, high, range](std::string& text) -> std::string {
        const std::string wanted = "a whole number from " + range + " is needed, not " + text;
        if (!DecimalDigits(text) || text.size() > 9) return wanted;
        const int value = std::stoi(text);
        if (value < low || value > high) return wanted;
        text = std::to_string(value);
        return "";
      },
      "", "whole number");
}

// Decimal digits with at most one point; strtod alone would take "0x4",
// "1e3" and "inf" as well.
bool DecimalFraction(const std::string& text) {
  const size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const std::string part = point == std::string::npos ? "" : text.substr(point + 1);
  return (DecimalDigits(whole) || (whole.empty() && DecimalDigits(part))) &&
         (part.empty() || DecimalDigits(part));
}

}  // namespace

std::optional<int> ParseCommandLine(int argc, char** argv, CommandLine& options,
                                    OutputStream& standardOutput) {
  CLI::App app{
      "Downloads whole picture albums (boards and keyword searches) from the image-board site.",
      "albumdl"};
  app.set_version_flag("--version", "albumdl " ALBUMDL_VERSION);
  app.footer(
      "Every input line that is neither a board nor a search address of the site, or that holds\n"
      "a control character or a character outside code page 936, is named on standard error\n"
      "and left out. Folder names (-o, --home) must be ones code page 936 can hold.\n"
      "\n"
      "Exit status: 0 all saved or skipped; 1 a picture, a page or an album's answer failed, an\n"
      "input line was left out, --pick named serials the list lacks (the others are\n"
      "downloaded), or standard output or the log file could not be written; 2 bad use: a bad\n"
      "option, no usable input line, an input or cookies file that cannot be read or is over\n"
      "16 MiB, a folder outside code page 936, a --pick that names no album of the list;\n"
      "130 interrupted by Ctrl-C, 143 by SIGTERM, 129 by SIGHUP.");

  auto* addresses = app.add_option("address", options.addresses,
                                   "Board addresses (site/boards/ID/) or search addresses "
                                   "(site/search/?q=WORD), one album each; any other line "
                                   "is named and left out")
                        ->type_name("ADDRESS");
  app.add_option("-i,--input", options.inputFile,
                 "Read the addresses from FILE, one a line ('-' for standard input)")
      ->type_name("FILE")
      ->excludes(addresses);

  auto* list = app.add_flag("-l,--list", options.list, "Retrieve and print the album list only");
  app.add_flag("--json", options.json, "With --list: print the list as one JSON document")
      ->needs(list);

  app.add_option("--site", options.site, "The site host, e.g. http://127.0.0.1:18631")
      ->type_name("URL");
  app.add_option("--image-host", options.imageHost,
                 "The image host (default: the site host + /img when --site is given)")
      ->type_name("URL");
  app.add_option("--cookies", options.cookieFile,
                 "A Netscape cookies.txt; each cookie goes to its own host (those for the "
                 "site's host to the site's port), as the viewer's sign-in would")
      ->type_name("FILE");
  app.add_option("--proxy", options.proxy,
                 "Send every request through this proxy, e.g. http://127.0.0.1:3128 (default: "
                 "the settings file's proxy key, else http_proxy, https_proxy, all_proxy and "
                 "no_proxy as curl reads them)")
      ->type_name("URL");
  app.add_option("--home", options.home,
                 "The program directory: settings, record stores, debug copies "
                 "(default: ALBUMDL_HOME or beside the program); code page 936 names only")
      ->type_name("DIR");
  app.add_option("--pace", options.pace, "Multiplies every pause between requests (0: none)")
      ->type_name("FACTOR")
      ->envname("ALBUMDL_PACE")
      ->check(CLI::Validator(
          [](const std::string& text) -> std::string {
            const double value = DecimalFraction(text) ? std::strtod(text.c_str(), nullptr) : -1;
            if (!(value >= 0) || value > 1000) {
              return "a number from 0 to 1000 is needed, not " + text;
            }
            return "";
          },
          "", "factor"));
  app.add_option("-j,--jobs", options.jobs,
                 "Fetch N pictures of an album at once, each over its own kept connection and "
                 "with its own pause after each picture (1 to " +
                     std::to_string(kMostJobs) +
                     "; default: the settings file's lanes key, else 1: one after the other). "
                     "Names, records and the log are the same")
      ->type_name("N")
      ->transform(WholeNumber(1, kMostJobs));
  app.add_flag("--debug", options.debug, "Debug mode: keep the last album answer in json.txt");
  app.add_option("--log", options.logFile, "Append the activity log to FILE (UTF-8)")
      ->type_name("FILE");
  app.add_flag("-q,--quiet", options.quiet, "No activity log on the console");
  app.add_flag("-v,--verbose", options.verbose, "Show the status captions on the console too");

  auto* pick = app.add_option("--pick", options.pick,
                              "Download exactly the albums with these serials, e.g. 1,3-5 (at "
                              "most " +
                                  std::to_string(kLongestPick) +
                                  " characters); serials the list lacks fail the run")
                   ->type_name("LIST")
                   ->excludes(list);
  app.add_flag("--all", options.all, "Download every album of the list")
      ->excludes(list)
      ->excludes(pick);
  app.add_option("-o,--save-to", options.saveTo,
                 "Save folder (default: the settings file's, else the program directory); "
                 "code page 936 names only")
      ->type_name("DIR")
      ->excludes(list);
  auto* skip = app.add_flag_callback(
      "--skip-downloaded", [&options] { options.skipDownloaded = true; },
      "Skip pictures an earlier run saved (default: the settings file's switch)");
  auto* noSkip = app.add_flag_callback(
                        "--no-skip-downloaded", [&options] { options.skipDownloaded = false; },
                        "Fetch every picture again (and page through every board: no --sync)")
                     ->excludes(skip);
  auto* sync = app.add_flag_callback(
                      "--sync", [&options] { options.sync = true; },
                      "Fetch only what is new on each board since its last complete download: "
                      "its pages are asked for down to where that download began, and no "
                      "further; implies --skip-downloaded. Keyword searches are not ordered by "
                      "time: for them --sync does what --skip-downloaded does, no more "
                      "(default: the settings file's sync switch)")
                   ->excludes(noSkip);
  app.add_flag_callback(
         "--no-sync", [&options] { options.sync = false; },
         "Page through every board, whatever the settings file's sync switch says")
      ->excludes(sync);
  auto* link = app.add_flag_callback(
      "--link-duplicates", [&options] { options.linkDuplicates = true; },
      "Keep one copy of a picture saved before under the same save folder (the same picture "
      "address): it is not fetched again, and its file in the new album is a hard link to the "
      "saved one, or a copy where no link can be made (default: the settings file's switch)");
  app.add_flag_callback(
         "--no-link-duplicates", [&options] { options.linkDuplicates = false; },
         "Fetch and store every picture of every album, whatever the settings file says")
      ->excludes(link);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForVersion& version) {
    standardOutput.Write(std::string(version.what()) + "\n");
    return kExitOk;
  } catch (const CLI::Success&) {  // --help
    standardOutput.Write(app.help());
    return kExitOk;
  } catch (const CLI::ParseError& error) {
    std::cerr << "albumdl: " << Printable(error.what(), 400) << " (see --help)\n";
    return kExitUsage;
  }
  return std::nullopt;
}

}  // namespace albumdl::cli
