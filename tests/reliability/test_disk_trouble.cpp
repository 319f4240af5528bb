// Disk trouble under a download: a disk that fills up part-way through a
// picture, renames refused, album folders that cannot be made, a read-only
// program folder. Whatever happens, no picture is on disk half-written, no id
// is recorded without its complete file, the trouble is said once with its
// reason, and a later run fetches exactly what is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "demo_site.h"
#include "download/download_run.h"
#include "download/duplicate_store.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/path_syntax.h"
#include "session/session.h"
#include "support/close_failure.h"
#include "support/faulty_file_system.h"
#include "support/recording_pacer.h"
#include "support/recording_window.h"
#include "support/stand_in_site.h"
#include "support/temp_dir.h"

namespace albumdl {
namespace {

using testing::FaultyFileSystem;
using testing::RecordingPacer;
using testing::RecordingWindow;
using testing::TempDir;

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

class DiskTroubleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site.KeepRequests();
    ASSERT_TRUE(site.Start());
    session.site = testing::StandInSite(site);
    session.programDirectory = home.Path();
    for (const char* id : {"b1", "b2"}) {
      demosite::Board board;
      board.id = id;
      board.title = id;
      for (int i = 1; i <= kPins; ++i) {
        board.pins.push_back({i, std::string(id) + "-" + std::to_string(i) + ".png", "image/png"});
      }
      site.AddBoard(board);
    }
  }

  DownloadSummary Run(const std::vector<Text>& albumIds, bool skipRecorded = false) {
    RecordingWindow& shown = windows.emplace_back();
    shown.Values().SetSaveFolder(saves.Path());
    shown.Values().SetDuplicateSwitch(skipRecorded);
    for (const Text& id : albumIds) shown.AddBoard("T", kPins, id);
    DownloadContext context{shown, shown.Values(), session, pacer, gate, {}, {}};
    return DownloadRun(context, shown.Albums().Rows());
  }

  std::string NativeAlbum(const Text& id) const { return saves.NativeFile(Utf8(u8"T相册_") + id); }

  // The pictures an album folder holds; fails the test on any temporary (a
  // hidden file: no picture is one).
  std::vector<std::string> Pictures(const Text& id) const {
    std::vector<std::string> names;
    for (const std::string& name :
         platform::RealFileSystem().List(platform::NativePath::FromSystem(NativeAlbum(id)))) {
      EXPECT_NE(name.front(), '.') << "left behind: " << name;
      names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Every recorded id has its complete picture in the album folder.
  void ExpectRecordsMatchFiles(const Text& id) {
    DuplicateStore store;
    store.Open(home.Path(), id);
    for (int pin = 1; pin <= kPins; ++pin) {
      const std::string name = std::to_string(pin) + "_" + std::to_string(pin) + ".png";
      const auto bytes = platform::RealFileSystem().Read(
          platform::NativePath::FromSystem(NativeAlbum(id) + "/" + name));
      const std::string served =
          demosite::DemoSite::PictureBytes(std::string(id) + "-" + std::to_string(pin) + ".png");
      if (bytes) {
        EXPECT_EQ(*bytes, served) << name << " is not the picture the site serves";
      }
      if (store.Contains(std::to_string(pin))) {
        EXPECT_TRUE(bytes.has_value()) << "id " << pin << " recorded without its file";
      }
    }
  }

  int Requests(const std::string& prefix) const {
    int count = 0;
    for (const auto& request : site.Requests()) count += request.target.rfind(prefix, 0) == 0;
    return count;
  }
  int PictureRequests(const Text& id) const { return Requests("/img/" + id + "-"); }

  int LinesStartingWith(const RecordingWindow& shown, const Text& start) const {
    int count = 0;
    for (const Text& line : shown.LogLines()) count += line.rfind(start, 0) == 0;
    return count;
  }

  static constexpr int kPins = 4;
  demosite::DemoSite site{/*empty=*/true};
  TempDir home;
  TempDir saves;
  Session session;
  std::deque<RecordingWindow> windows;
  RunGate gate;
  RecordingPacer pacer{&gate};
  FaultyFileSystem disk;
};

// A full disk fails every picture alike: the album ends at the first one that
// does not fit, with its reason, instead of fetching the rest for nothing.
TEST_F(DiskTroubleTest, DiskFullMidPictureLosesNothingAndTheRerunFetchesWhatIsMissing) {
  const Bytes first = demosite::DemoSite::PictureBytes("b1-1.png");
  disk.under = saves.Native();
  disk.spaceLeft = static_cast<long long>(first.size()) + 10;  // the second picture breaks off
  {
    platform::FileSystemOverride faulty(disk);
    const DownloadSummary summary = Run({"b1"});
    EXPECT_EQ(summary.saved, 1);
    EXPECT_EQ(summary.failedPictures, 1);
    EXPECT_EQ(summary.failedAlbums, 1);
    EXPECT_EQ(PictureRequests("b1"), 2) << "nothing asked for after the disk was full";
  }
  EXPECT_EQ(Pictures("b1"), std::vector<std::string>{"1_1.png"});
  ExpectRecordsMatchFiles("b1");
  const RecordingWindow& shown = windows.back();
  EXPECT_EQ(LinesStartingWith(shown, "图片无法保存："), 1) << "said once for the album";
  EXPECT_NE(shown.Log().find("2_2.png（磁盘空间已满）"), Text::npos) << shown.Log();
  EXPECT_EQ(LinesStartingWith(shown, "相册文件夹无法再保存图片"), 1);

  // Room again: the rerun with the switch on asks for the three missing only.
  site.ClearRequests();
  const DownloadSummary rerun = Run({"b1"}, /*skipRecorded=*/true);
  EXPECT_EQ(rerun.saved, kPins - 1);
  EXPECT_EQ(rerun.skipped, 1);
  EXPECT_EQ(PictureRequests("b1"), kPins - 1);
  EXPECT_EQ(Pictures("b1").size(), static_cast<size_t>(kPins));
  ExpectRecordsMatchFiles("b1");
}

TEST_F(DiskTroubleTest, RefusedRenameLeavesNoTemporaryAndNoRecord) {
  disk.under = saves.Native();
  disk.renameError = EACCES;
  platform::FileSystemOverride faulty(disk);

  const DownloadSummary summary = Run({"b1"});

  EXPECT_EQ(summary.saved, 0);
  EXPECT_EQ(summary.failedPictures, 1) << "a refusal refuses every picture: the album ends";
  EXPECT_EQ(summary.failedAlbums, 1);
  EXPECT_TRUE(Pictures("b1").empty());
  ExpectRecordsMatchFiles("b1");
  EXPECT_EQ(LinesStartingWith(windows.back(), "图片无法保存："), 1);
  EXPECT_NE(windows.back().Log().find("（没有写入权限）"), Text::npos);
}

// On a network file system a file's data can fail only at its close(): such a
// picture is not kept, not recorded, said with its reason, and the next run
// fetches it again.
TEST_F(DiskTroubleTest, PictureWhoseCloseFailsIsNeitherKeptNorRecorded) {
  if (!testing::CloseFailuresCanBePlanted()) GTEST_SKIP() << "no close() to stand in for here";
  disk.under = saves.Native();
  disk.closeError = EIO;
  {
    platform::FileSystemOverride faulty(disk);
    const DownloadSummary summary = Run({"b1"});
    EXPECT_EQ(summary.saved, 0);
    EXPECT_EQ(summary.failedPictures, kPins);
    EXPECT_EQ(disk.failures(), kPins);
  }
  EXPECT_TRUE(Pictures("b1").empty());
  ExpectRecordsMatchFiles("b1");
  EXPECT_EQ(LinesStartingWith(windows.back(), "图片无法保存："), kPins)
      << "the next picture may fare better";
  EXPECT_NE(windows.back().Log().find("1_1.png（磁盘读写出错）"), Text::npos)
      << windows.back().Log();

  EXPECT_EQ(Run({"b1"}, /*skipRecorded=*/true).saved, kPins);
  EXPECT_EQ(Pictures("b1").size(), static_cast<size_t>(kPins));
  ExpectRecordsMatchFiles("b1");
}

// Views that delete an album's folder as the run shows its second picture,
// as a user cleaning up would during a run.
class FolderDeletingWindow : public RecordingWindow {
 public:
  std::string folder;
  void Tell(const EngineEvent& event) override {
    const auto* report = std::get_if<RunProgressReport>(&event);
    if (report && report->progress.album == 1 && report->progress.picture == 2) {
      std::error_code error;
      std::filesystem::remove_all(testing::NativeFsPath(folder), error);
    }
    RecordingWindow::Tell(event);
  }
};

// The album folder deleted during a run: the album ends at the first picture
// that cannot be saved, its records stay (users delete pictures they do not
// want and rely on them not coming back), and the next album runs in full.
// b1 has two pages here: its second is not asked for.
TEST_F(DiskTroubleTest, AlbumFolderDeletedDuringTheRunEndsThatAlbumOnly) {
  constexpr int kTwoPages = 102;
  demosite::Board twoPages;
  twoPages.id = twoPages.title = "b1";
  for (int i = 1; i <= kTwoPages; ++i)
    twoPages.pins.push_back({i, "b1-" + std::to_string(i) + ".png", "image/png"});
  site.AddBoard(twoPages);
  FolderDeletingWindow shown;
  shown.folder = NativeAlbum("b1");
  shown.Values().SetSaveFolder(saves.Path());
  shown.AddBoard("T", kTwoPages, "b1");
  shown.AddBoard("T", kPins, "b2");
  DownloadContext context{shown, shown.Values(), session, pacer, gate, {}, {}};
  const DownloadSummary summary = DownloadRun(context, shown.Albums().Rows());

  EXPECT_EQ(summary.failedAlbums, 1);
  EXPECT_EQ(summary.failedPictures, 1);
  EXPECT_EQ(summary.saved, 1 + kPins);
  EXPECT_EQ(PictureRequests("b1"), 2) << "nothing asked for after the folder was gone";
  EXPECT_EQ(Requests("/boards/b1/"), 1) << "nor a page";
  EXPECT_EQ(Pictures("b2").size(), static_cast<size_t>(kPins));
  EXPECT_EQ(LinesStartingWith(shown, "图片无法保存："), 1);
  EXPECT_NE(shown.Log().find("（文件夹不存在）"), Text::npos) << shown.Log();
  DuplicateStore store;
  store.Open(home.Path(), "b1");
  EXPECT_TRUE(store.Contains("1")) << "the first picture's record stays";
}

// A folder is asked for twice: the first album's fails both times, the
// second's only the first time.
TEST_F(DiskTroubleTest, AlbumWhoseFolderCannotBeMadeIsSkippedAndTheNextOneRuns) {
  disk.under = saves.Native();
  disk.folderError = EACCES;
  disk.folderFailures = 3;
  platform::FileSystemOverride faulty(disk);

  const DownloadSummary summary = Run({"b1", "b2"});

  EXPECT_EQ(summary.failedAlbums, 1);
  EXPECT_EQ(summary.saved, kPins) << "the second album in full";
  EXPECT_EQ(PictureRequests("b1"), 0) << "nothing fetched for a folder that is not there";
  EXPECT_EQ(Pictures("b2").size(), static_cast<size_t>(kPins));
  const Text log = windows.back().Log();
  // The folder as this system shows it ("/"; "\\" on Windows).
  const Text s(1, platform::NativeSeparator());
  EXPECT_NE(log.find("相册文件夹无法创建：" + saves.Path() + s + "T相册_b1" + s +
                     "（没有写入权限），跳过这个相册"),
            Text::npos)
      << log;
  EXPECT_EQ(log.find("---完成相册《T相册》下载\r\n\r\n"), log.rfind("---完成相册《T相册》下载"))
      << "only the second album finished";
}

TEST_F(DiskTroubleTest, ReadOnlyProgramFolderRecordsNothingButSavesEverything) {
  disk.under = home.Native();
  disk.readOnly = true;
  platform::FileSystemOverride faulty(disk);

  const DownloadSummary summary = Run({"b1"});

  EXPECT_EQ(summary.saved, kPins);
  const auto log = windows.back().LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "防止重复下载数据库创建失败\r\n"), log.end());
  EXPECT_EQ(windows.back().Log().find("记录无法保存"), Text::npos) << "said once, at the opening";
  EXPECT_EQ(Pictures("b1").size(), static_cast<size_t>(kPins));
}

}  // namespace
}  // namespace albumdl
