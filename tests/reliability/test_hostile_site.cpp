// albumdl against a hostile site: titles with control bytes, too long for a
// file name, not UTF-8 or outside code page 936; board ids, pin ids and file
// keys that try to leave their folder; keys nested 50,000 and 200,000 deep; a
// page of 50 MB; counts of 400 digits. The program ends on its own with an
// honest status, writes nothing outside its folders, names nothing with a
// control character, prints none, and does not flood the site.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "demo_site.h"
#include "hostile_data.h"
#include "support/albumdl_process.h"
#include "support/temp_dir.h"

namespace albumdl {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

bool HasControlByte(const std::string& text, bool allowLineEnds) {
  for (unsigned char c : text) {
    if (allowLineEnds && (c == '\n' || c == '\t')) continue;
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

TEST(HostileSite, NothingLeavesItsFolderNoControlByteGetsThroughNoFlood) {
  demosite::DemoSite site{/*empty=*/true};
  demosite::AddHostileData(site);
  site.KeepRequests();
  ASSERT_TRUE(site.Start());

  TempDir root;  // holds home/ and saves/, and must hold nothing else afterwards
  const std::string home = root.NativeFile("home"), saves = root.NativeFile("saves");
  fs::create_directories(testing::NativeFsPath(home));
  fs::create_directories(testing::NativeFsPath(saves));

  const std::string host = site.SiteHost();
  std::vector<std::string> lines;
  for (const char* id :
       {demosite::kControlsBoardId, demosite::kLongTitleBoardId, demosite::kBadUtf8BoardId,
        demosite::kEmojiBoardId, demosite::kBadKeysBoardId, demosite::kBadPinIdsBoardId,
        demosite::kDeepKeyBoardId, demosite::kDeeperKeyBoardId, demosite::kHugePageBoardId,
        demosite::kHugeCountBoardId, demosite::kDotDotBoardId, demosite::kSlashBoardId,
        demosite::kBackslashBoardId}) {
    lines.push_back(host + "/boards/" + id + "/");
  }
  lines.push_back(host + "/search/?q=" + demosite::kHugeTotalKeyword);
  lines.push_back(host + "/search/?q=" + demosite::kControlsKeyword);
  lines.push_back(host + "/search/?q=%F0%9F%98%80");
  const std::string input = root.NativeFile("albums.txt");
  {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    testing::WriteNativeFile(input, text);
  }

  const std::string out = root.NativeFile("out.txt"), err = root.NativeFile("err.txt");
  const testing::ProcessOutcome run = testing::FinishAlbumdl(
      testing::StartAlbumdl(
          testing::DownloadArguments(host, home, saves, {"--all", "-v", "--input", input}), out,
          err),
      out, err);

  // Lines refused and pictures that failed: status 1, and no crash.
  EXPECT_EQ(run.status, 1) << run.err.substr(0, 2000);
  EXPECT_FALSE(HasControlByte(run.out, true)) << "the console got a control byte";
  EXPECT_FALSE(HasControlByte(run.err, true)) << "the console got a control byte";

  // Everything made lies in home/ or saves/, under a name without control bytes
  // that fits the file system.
  int folders = 0;
  const fs::path rootPath = testing::NativeFsPath(root.Native());
  for (const auto& entry : fs::recursive_directory_iterator(rootPath)) {
    const std::string relative = testing::Utf8Of(entry.path().lexically_relative(rootPath));
    if (relative == "albums.txt" || relative == "out.txt" || relative == "err.txt") continue;
    EXPECT_TRUE(relative.rfind("home", 0) == 0 || relative.rfind("saves", 0) == 0) << relative;
    const std::string name = testing::Utf8Of(entry.path().filename());
    EXPECT_FALSE(HasControlByte(name, false)) << relative;
    EXPECT_LE(name.size(), 255u) << relative;
    folders += entry.is_directory() && entry.path().parent_path() == testing::NativeFsPath(saves);
  }
  EXPECT_GE(folders, 6) << "the sound parts of the hostile albums were still saved";

  // A count of 400 digits: a board ends at its first empty page, a search after
  // three pages in a row without pins. Keys that climb out of the image host's
  // folder are not asked for.
  int totalPages = 0, countPages = 0;
  for (const auto& request : site.Requests()) {
    totalPages += request.target.find(std::string("q=") + demosite::kHugeTotalKeyword + "%5F") !=
                  std::string::npos;
    countPages += request.target.rfind(
                      std::string("/boards/") + demosite::kHugeCountBoardId + "/?isgtq0gn", 0) == 0;
    // Of the hostile keys only "a/b/escape-2.jpg" stays inside the image host.
    for (const char* climbing : {"escape-1", "escape-3", "absolute-4", "escape-5", "/x.jpg"}) {
      EXPECT_EQ(request.target.find(climbing), std::string::npos) << request.target;
    }
  }
  EXPECT_LE(totalPages, 4);
  EXPECT_EQ(countPages, 2);
}

}  // namespace
}  // namespace albumdl
