// What the tests of the albumdl program share: the program run as a child
// process against an in-process stand-in site, in temporary folders. What it
// prints is UTF-8, so the expectations are u8"..." texts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "demo_data.h"
#include "demo_site.h"
#include "platform/environment.h"
#include "support/albumdl_process.h"
#include "support/temp_dir.h"

namespace albumdl {

using testing::DownloadArguments;
using testing::TempDir;

inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

inline std::string ReadFile(const std::string& path) { return testing::ReadNativeFile(path); }

inline void WriteFile(const std::string& path, const std::string& content) {
  testing::WriteNativeFile(path, content);
}

// The lines of a text that ends in "\n".
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// albumdl's own messages among them (the activity log may share the stream).
inline std::vector<std::string> OwnMessages(const std::string& text) {
  std::vector<std::string> messages;
  for (const std::string& line : Lines(text))
    if (line.starts_with("albumdl: ")) messages.push_back(line);
  return messages;
}

using Outcome = testing::ProcessOutcome;

// Starts the built albumdl with these arguments; standard input comes from the
// file stdinPath (or nothing), the outputs go to files in scratch.
inline testing::Child StartAlbumdl(const std::vector<std::string>& arguments,
                                   const TempDir& scratch, const std::string& stdinPath = "") {
  return testing::StartAlbumdl(arguments, scratch.NativeFile("stdout.txt"),
                               scratch.NativeFile("stderr.txt"), stdinPath);
}

// Waits for the program to end and collects what it printed.
inline Outcome FinishAlbumdl(testing::Child child, const TempDir& scratch) {
  return testing::FinishAlbumdl(child, scratch.NativeFile("stdout.txt"),
                                scratch.NativeFile("stderr.txt"));
}

inline Outcome RunAlbumdl(const std::vector<std::string>& arguments, const TempDir& scratch,
                          const std::string& stdinPath = "") {
  return FinishAlbumdl(StartAlbumdl(arguments, scratch, stdinPath), scratch);
}

// The files under a folder, as paths relative to it, sorted.
inline std::vector<std::string> FilesUnder(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  const std::filesystem::path root = testing::NativeFsPath(folder);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root, error)) {
    if (!entry.is_regular_file()) continue;
    files.push_back(testing::Utf8Of(entry.path().lexically_relative(root).generic_u8string()));
  }
  std::sort(files.begin(), files.end());
  return files;
}

class AlbumdlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program must not pick these up from whoever runs the tests.
    platform::RemoveEnvironmentValue("ALBUMDL_HOME");
    platform::RemoveEnvironmentValue("ALBUMDL_PACE");
    site.KeepRequests();
    ASSERT_TRUE(site.Start(0));
  }

  std::string Board(const std::string& id) const { return site.SiteHost() + "/boards/" + id + "/"; }
  std::string Search(const std::string& keyword) const {
    return site.SiteHost() + "/search/?q=" + keyword;
  }

  // The usual options, then the test's own.
  Outcome Run(std::vector<std::string> arguments, const std::string& stdinPath = "") {
    std::vector<std::string> all{"--site", site.SiteHost(), "--pace", "0", "--home", home.Native()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return RunAlbumdl(all, scratch, stdinPath);
  }

  int PictureRequests() const {
    int pictures = 0;
    for (const auto& request : site.Requests()) pictures += request.target.rfind("/img/", 0) == 0;
    return pictures;
  }

  demosite::DemoSite site;
  TempDir home;
  TempDir scratch;
  TempDir saved;
};

}  // namespace albumdl
