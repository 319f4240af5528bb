// The download engine against the stand-in site on loopback: the run, board and
// keyword albums, the picture step with its retries, the record store on real
// SQLite files, pauses taken from a recording pacer. Literals are code page 936.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "demo_site.h"
#include "download/download_run.h"
#include "download/duplicate_store.h"
#include "download/picture_index.h"
#include "download/sync_pass.h"
#include "platform/files.h"
#include "platform/path_syntax.h"
#include "session/session.h"
#include "site/answer_verdict.h"
#include "site/board_album.h"
#include "site/fetch_attempts.h"
#include "site/json_value.h"
#include "site/picture_form.h"
#include "support/albumdl_process.h"
#include "support/faulty_file_system.h"
#include "support/faulty_sqlite.h"
#include "support/recording_pacer.h"
#include "support/recording_window.h"
#include "support/stand_in_site.h"
#include "support/temp_dir.h"
#include "text/file_helpers.h"
#include "views/captions.h"

namespace albumdl {
namespace {

namespace fs = std::filesystem;
using testing::RecordingPacer;
using testing::RecordingWindow;
using testing::TempDir;

const Text kSwitchOff = "未勾选了防止重复下载功能\r\n\r\n";
const Text kSwitchOn = "已经勾选了防止重复下载功能,已经下载的不会再次下载\r\n\r\n";
const Text kStoreCreated = "防止重复下载数据库创建成功\r\n";
const Text kAllDone = "-------全部下载完毕--------\r\n\r\n";

// Pins with ids from firstId up, their media types going round gif, png,
// jpeg and none.
std::vector<demosite::Pin> MakePins(int count, long long firstId = 1001) {
  static const char* const kTypes[] = {"image/gif", "image/png", "image/jpeg", ""};
  static const char* const kKeyEnds[] = {".gif", ".png", ".jpg", ".jpg"};
  std::vector<demosite::Pin> pins;
  for (int i = 0; i < count; ++i) {
    const long long id = firstId + i;
    pins.push_back({id, "k" + std::to_string(id) + kKeyEnds[i % 4], kTypes[i % 4]});
  }
  return pins;
}

// What a pin's file is called: its picture number, its id, the extension its
// media type calls for.
std::string FileNameOf(long long pictureNumber, const demosite::Pin& pin) {
  const std::string extension = pin.type.find("gif") != std::string::npos   ? ".gif"
                                : pin.type.find("png") != std::string::npos ? ".png"
                                                                            : ".jpg";
  return std::to_string(pictureNumber) + "_" + std::to_string(pin.pinId) + extension;
}

demosite::Board MakeBoard(const std::string& id, std::vector<demosite::Pin> pins,
                          int pageLimit = 100) {
  demosite::Board board;
  board.id = id;
  board.title = id;
  board.pins = std::move(pins);
  board.pageLimit = pageLimit;
  return board;
}

demosite::Search MakeSearch(const std::string& keyword, std::vector<demosite::Pin> pins,
                            std::vector<int> emptyPages = {}) {
  demosite::Search search;
  search.keyword = keyword;
  search.text = keyword;
  search.pins = std::move(pins);
  search.emptyPages = std::move(emptyPages);
  return search;
}

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::vector<std::string> FilesIn(const Text& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry :
       fs::directory_iterator(testing::NativeFsPath(platform::NativePathOf(folder).str()), error)) {
    names.push_back(testing::Utf8Of(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<int> Repeat(std::vector<int> start, int value, int times) {
  start.insert(start.end(), times, value);
  return start;
}

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site.KeepRequests();
    ASSERT_TRUE(site.Start());
    session.site = testing::StandInSite(site);
    session.programDirectory = home.Path();
    window.Values().SetSaveFolder(saves.Path());
  }

  void AddBoard(const Text& title, long long count, const Text& boardId, bool ticked = true) {
    window.AddBoard(title, count, boardId, ticked);
  }
  void AddKeyword(const Text& keyword, long long count) { window.AddKeyword(keyword, count); }

  DownloadSummary Run() { return RunWith(window); }

  // As the worker control runs it: the views hear what the run did last.
  DownloadSummary RunWith(RecordingWindow& shown) {
    DownloadContext context{shown, shown.Values(), session, pacer, gate, {}, {}};
    const DownloadSummary summary = DownloadRun(context, shown.Albums().Rows());
    shown.Tell(RunFinishedReport{summary});
    return summary;
  }

  // Targets of the requests whose path starts with prefix, in order.
  std::vector<std::string> Targets(const std::string& prefix) const {
    std::vector<std::string> targets;
    for (const demosite::RequestRecord& request : site.Requests()) {
      if (request.target.rfind(prefix, 0) == 0) targets.push_back(request.target);
    }
    return targets;
  }

  bool StoreHolds(const Text& albumId, const Text& photoId) {
    DuplicateStore store;
    store.Open(home.Path(), albumId);
    return store.Contains(photoId);
  }

  demosite::DemoSite site{/*empty=*/true};
  TempDir home;
  TempDir saves;
  Session session;
  RecordingWindow window;
  RunGate gate;
  RecordingPacer pacer{&gate};
};

// ---------------------------------------------------------------------------
// Board albums

TEST_F(DownloadTest, BoardOf250PinsComesInThreePagesNamedByPictureNumber) {
  const auto pins = MakePins(250);
  site.AddBoard(MakeBoard("b1", pins));
  AddBoard("  My: Board/One. ", 250, "b1");
  session.cookies.Put(testing::ViewerCookie(site, "sid", "abc"));

  const DownloadSummary summary = Run();

  EXPECT_EQ(window.LogLines(),
            (std::vector<Text>{"当前被选择相册编号:1、\r\n\r\n", kSwitchOff, kStoreCreated,
                               "准备下载相册《My: Board/One.》\r\n\r\n",
                               "---完成相册《MyBoardOne相册》下载\r\n\r\n", kAllDone}));
  EXPECT_EQ(pacer.Pauses(), Repeat({1000}, 100, 250));
  EXPECT_EQ(summary.albums, 1);
  EXPECT_EQ(summary.saved, 250);
  EXPECT_FALSE(summary.ended);

  const std::string page = "/boards/b1/?isgtq0gn&max=";
  EXPECT_EQ(Targets("/boards/"),
            (std::vector<std::string>{page + "&limit=100&wfl=1", page + "1100&limit=100&wfl=1",
                                      page + "1200&limit=100&wfl=1"}));

  const Text folder = saves.File("MyBoardOne相册_b1");
  std::vector<std::string> expected;
  for (size_t i = 0; i < pins.size(); ++i) expected.push_back(FileNameOf(i + 1, pins[i]));
  EXPECT_EQ(FilesIn(folder), Sorted(expected));
  // image/gif, image/png, image/jpeg, no type at all
  EXPECT_EQ(std::vector<std::string>(expected.begin(), expected.begin() + 4),
            (std::vector<std::string>{"1_1001.gif", "2_1002.png", "3_1003.jpg", "4_1004.jpg"}));
  for (size_t i : {0, 1, 2, 3, 249}) {
    EXPECT_EQ(platform::ReadWholeFile(folder + "\\" + FileNameOf(i + 1, pins[i])),
              demosite::DemoSite::PictureBytes(pins[i].key));
  }
  EXPECT_TRUE(StoreHolds("b1", "1001"));
  EXPECT_TRUE(StoreHolds("b1", "1250"));

  // Pages carry the board's header block and the jar's cookies; pictures
  // carry the album's Referer and the jar's cookies.
  const auto requests = site.Requests();
  const auto pageRequest = std::find_if(requests.begin(), requests.end(), [](const auto& r) {
    return r.target.rfind("/boards/", 0) == 0;
  });
  ASSERT_NE(pageRequest, requests.end());
  EXPECT_EQ(pageRequest->Header("Referer"), site.SiteHost() + "/boards/b1/");
  EXPECT_EQ(pageRequest->Header("X-Request"), "JSON");
  EXPECT_EQ(pageRequest->Header("Accept"), "application/json");
  EXPECT_NE(pageRequest->Header("Cookie").find("sid=abc"), std::string::npos);
  EXPECT_EQ(pageRequest->Header("Host"), UrlHost(site.SiteHost(), true));
  const auto pictureRequest = std::find_if(requests.begin(), requests.end(), [](const auto& r) {
    return r.target.rfind("/img/", 0) == 0;
  });
  ASSERT_NE(pictureRequest, requests.end());
  EXPECT_EQ(pictureRequest->Header("Referer"), site.SiteHost() + "/pins/b1/");
  EXPECT_NE(pictureRequest->Header("Cookie").find("sid=abc"), std::string::npos);

  // Progress: reset at the album's start, then the share of the count per
  // picture, reported once a picture.
  const auto reports = window.ProgressReports();
  const auto albumStart = std::find_if(reports.begin(), reports.end(), [](const RunProgress& p) {
    return p.album == 1 && p.picture == 0 && p.pictureCount == 250;
  });
  ASSERT_NE(albumStart, reports.end());
  EXPECT_EQ(
      std::count_if(albumStart, reports.end(), [](const RunProgress& p) { return p.picture > 0; }),
      250);
  const auto third = std::find_if(reports.begin(), reports.end(),
                                  [](const RunProgress& p) { return p.picture == 3; });
  ASSERT_NE(third, reports.end());
  EXPECT_EQ(CaptionsFor(*third).share, 1);  // picture 3 of 250
  EXPECT_EQ(window.Bars().back(), 100);
  const auto percents = window.PercentCaptions();
  EXPECT_EQ(percents.front(), "0%");
  EXPECT_NE(std::find(percents.begin(), percents.end(), "50%"), percents.end());
  const auto captions = window.PictureCaptions();
  ASSERT_GE(captions.size(), 3u);
  EXPECT_EQ(captions[0], "第[1]个图片");
  EXPECT_EQ(captions[captions.size() - 3], "第[250]个图片");
  EXPECT_EQ(captions[captions.size() - 2], "");
  EXPECT_EQ(captions.back(), "下载完成");
  EXPECT_EQ(window.Captions().selected, "总共需下载[1]个相册");
  EXPECT_EQ(window.AlbumCaptions(), std::vector<Text>{"下载到第[1]个相册"});
  EXPECT_EQ(window.Messages(), std::vector<Text>{"信息：|全部下载完毕"});
}

TEST_F(DownloadTest, ShortPagesStillNumberPicturesByPage) {
  demosite::Board board = MakeBoard("b1", MakePins(250), 30);
  site.AddBoard(board);
  AddBoard("T", 250, "b1");

  Run();

  std::vector<std::string> expected;
  for (int page = 0; page < 3; ++page) {
    for (int j = 0; j < 30; ++j) {
      expected.push_back(FileNameOf(page * 100 + j + 1, board.pins[page * 30 + j]));
    }
  }
  EXPECT_EQ(FilesIn(saves.File("T相册_b1")), Sorted(expected));
  EXPECT_EQ(Targets("/boards/").size(), 3u) << "no more pages than the count allows";
  EXPECT_EQ(Targets("/boards/")[1], "/boards/b1/?isgtq0gn&max=1030&limit=100&wfl=1");
}

// Every page gives the same 100 pins for a count of 1,000: the second page
// brings nothing new, which ends the board; no pin is saved twice.
TEST_F(DownloadTest, ASiteThatIgnoresThePageCursorIsNotPagedToItsCount) {
  demosite::Board board = MakeBoard("b1", MakePins(100));
  board.ignoresCursor = true;
  board.pinCount = 1000;
  site.AddBoard(board);
  AddBoard("T", 1000, "b1");

  const DownloadSummary summary = Run();

  EXPECT_EQ(summary.saved, 100);
  EXPECT_EQ(Targets("/img/").size(), 100u);
  EXPECT_EQ(FilesIn(saves.File("T相册_b1")).size(), 100u);
  EXPECT_EQ(Targets("/boards/").size(), 2u);
  const auto log = window.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "第[2]页的图片前面都已取过，网站没有往下给出新的图片，不再往下翻页\r\n"),
            log.end());
}

// However many pictures the board promised.
TEST_F(DownloadTest, EmptyFirstPageEndsTheBoardWithItsUsualLines) {
  site.AddBoard(MakeBoard("b1", {}));
  AddBoard(":/.", 300, "b1");

  const DownloadSummary summary = Run();

  EXPECT_EQ(window.LogLines(), (std::vector<Text>{"当前被选择相册编号:1、\r\n\r\n", kSwitchOff,
                                                  kStoreCreated, "准备下载相册《:/.》\r\n\r\n",
                                                  "相册《:/.》只取到0个图片，少于图片数量300\r\n",
                                                  "---完成相册《相册》下载\r\n\r\n", kAllDone}));
  EXPECT_EQ(pacer.Pauses(), std::vector<int>{1000});
  EXPECT_EQ(Targets("/boards/").size(), 1u);
  EXPECT_EQ(summary.failedPages, 0);
  EXPECT_TRUE(platform::PathIsDirectoryA(saves.File("相册_b1")));
}

TEST_F(DownloadTest, ProgressStaysInTheBarsRangeWhateverTheCount) {
  site.AddBoard(MakeBoard("b0", MakePins(3)));
  site.AddBoard(MakeBoard("bx", MakePins(3)));
  site.AddBoard(MakeBoard("b2", MakePins(5)));
  AddBoard("Z", 0, "b0");
  AddBoard("X", 1, "bx");
  AddBoard("W", 2, "b2");

  Run();

  for (int bar : window.Bars()) {
    EXPECT_GE(bar, 0);
    EXPECT_LE(bar, 100);
  }
  // More pins than the count said: the bar stays full, the label counts on.
  EXPECT_EQ(window.PercentCaptions().back(), "250%");
  EXPECT_EQ(window.Bars().back(), 100);
  EXPECT_EQ(FilesIn(saves.File("Z相册_b0")).size(), 3u);
  EXPECT_EQ(FilesIn(saves.File("X相册_bx")).size(), 3u);
}

TEST_F(DownloadTest, DebugSwitchKeepsTheLastBoardPageInJsonhtml) {
  site.AddBoard(MakeBoard("b1", MakePins(150)));
  AddBoard("T", 150, "b1");
  window.Values().SetDebugSwitch(true);

  Run();

  const auto copy = platform::ReadWholeFile(home.File("jsonhtml.txt"));
  ASSERT_TRUE(copy.has_value());
  EXPECT_NE(copy->find("1150"), std::string::npos);
  EXPECT_EQ(copy->find("1100,"), std::string::npos) << "page 2 starts after pin 1100";
}

TEST_F(DownloadTest, StaleTemporariesOfTheAlbumFolderGoAtTheStart) {
  site.AddBoard(MakeBoard("b1", MakePins(2)));
  AddBoard("T", 2, "b1");
  const Text folder = saves.File("T相册_b1");
  Text path = folder;
  ASSERT_TRUE(EnsureDirectory(path));
  ASSERT_TRUE(platform::WriteWholeFile(folder + "\\.9_9.jpg.part", "half"));
  ASSERT_TRUE(platform::WriteWholeFile(folder + "\\keep.part", "mine"));

  Run();

  const auto files = FilesIn(folder);
  EXPECT_EQ(std::count(files.begin(), files.end(), ".9_9.jpg.part"), 0);
  EXPECT_EQ(std::count(files.begin(), files.end(), "keep.part"), 1) << "not one of ours";
  EXPECT_EQ(files.size(), 3u);
}

TEST_F(DownloadTest, BoardIdThatWouldLeaveTheSaveFolderIsNotDownloaded) {
  AddBoard("T", 5, "..\\..\\x");

  const DownloadSummary summary = Run();

  EXPECT_EQ(window.LogLines()[1], "相册《T》的相册ID不对，已跳过\r\n\r\n");
  EXPECT_TRUE(site.Requests().empty());
  EXPECT_TRUE(FilesIn(saves.Path()).empty());
  EXPECT_EQ(summary.saved, 0);
}

// ---------------------------------------------------------------------------
// The duplicate switch

TEST_F(DownloadTest, RerunWithTheSwitchOnFetchesNothingButCountsThrough) {
  site.AddBoard(MakeBoard("b1", MakePins(120)));
  AddBoard("T", 120, "b1");
  Run();  // the switch off: the store fills all the same
  ASSERT_EQ(Targets("/img/").size(), 120u);

  RecordingWindow second;
  second.Values().SetSaveFolder(saves.Path());
  second.Values().SetDuplicateSwitch(true);
  second.AddBoard("T", 120, "b1");
  site.ClearRequests();
  pacer.Clear();
  const DownloadSummary summary = RunWith(second);

  EXPECT_TRUE(Targets("/img/").empty());
  EXPECT_EQ(summary.skipped, 120);
  EXPECT_EQ(pacer.Pauses(), std::vector<int>{1000}) << "no pause before a skipped pin";
  EXPECT_EQ(second.LogLines(), (std::vector<Text>{"当前被选择相册编号:1、\r\n\r\n", kSwitchOn,
                                                  "准备下载相册《T》\r\n\r\n",
                                                  "---完成相册《T相册》下载\r\n\r\n", kAllDone}));
  const auto captions = second.PictureCaptions();
  EXPECT_NE(std::find(captions.begin(), captions.end(), "第[120]个图片"), captions.end());
}

TEST_F(DownloadTest, SwitchOffFetchesEverythingAgainAndOverwrites) {
  site.AddBoard(MakeBoard("b1", MakePins(3)));
  AddBoard("T", 3, "b1");
  Run();
  Run();
  EXPECT_EQ(Targets("/img/").size(), 6u);
  EXPECT_EQ(FilesIn(saves.File("T相册_b1")).size(), 3u);
}

// Turns the duplicate switch on when a caption says so, as a user would click
// it while the run goes on.
class SwitchingWindow : public RecordingWindow {
 public:
  Text pictureTrigger;
  Text albumTrigger;
  void Tell(const EngineEvent& event) override {
    if (const auto* report = std::get_if<RunProgressReport>(&event)) {
      const RunCaptions captions = CaptionsFor(report->progress);
      if ((!pictureTrigger.empty() && captions.picture == pictureTrigger) ||
          (!albumTrigger.empty() && captions.album == albumTrigger))
        Values().SetDuplicateSwitch(true);
    }
    RecordingWindow::Tell(event);
  }
};

TEST_F(DownloadTest, SwitchTurnedOnDuringAnAlbumActsFromTheNextPicture) {
  const auto pins = MakePins(5);
  site.AddBoard(MakeBoard("b1", pins));
  AddBoard("T", 5, "b1");
  Run();  // everything recorded
  site.ClearRequests();

  SwitchingWindow switching;
  switching.Values().SetSaveFolder(saves.Path());
  switching.pictureTrigger = "第[3]个图片";
  for (const Album& album : window.Albums().Rows()) switching.Albums().AppendRow(album);
  const DownloadSummary summary = RunWith(switching);

  EXPECT_EQ(Targets("/img/"),
            (std::vector<std::string>{"/img/" + pins[0].key, "/img/" + pins[1].key}));
  EXPECT_EQ(summary.skipped, 3);
}

TEST_F(DownloadTest, TwoRowsOfOneAlbumShareTheStore) {
  site.AddBoard(MakeBoard("b1", MakePins(4)));
  SwitchingWindow switching;
  switching.Values().SetSaveFolder(saves.Path());
  switching.albumTrigger = "下载到第[2]个相册";
  for (int i = 0; i < 2; ++i) switching.AddBoard("T", 4, "b1");
  const DownloadSummary summary = RunWith(switching);

  EXPECT_EQ(Targets("/img/").size(), 4u) << "the second album skips what the first saved";
  EXPECT_EQ(summary.saved, 4);
  EXPECT_EQ(summary.skipped, 4);
  const auto log = switching.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), kStoreCreated), 1);
  EXPECT_EQ(switching.AlbumCaptions(),
            (std::vector<Text>{"下载到第[1]个相册", "下载到第[2]个相册"}));
}

// A record store that takes no more writes: the pictures are saved all the
// same, and the trouble is said once, not for every picture. One that cannot
// be read is said at the album's start.
TEST_F(DownloadTest, RecordsThatCannotBeWrittenAreSaidOnceAndThePicturesStay) {
  site.AddBoard(MakeBoard("b1", MakePins(3)));
  AddBoard("T", 3, "b1");
  testing::FaultySqlite disk(home.Native());
  ASSERT_EQ(DuplicateStore().Open(home.Path(), "b1").outcome, StoreOpening::Outcome::kCreated);
  disk.failWrites = true;

  EXPECT_EQ(Run().saved, 3);

  const auto log = window.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "第[1]个图片的下载记录无法保存\r\n"), log.end());
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const Text& line) { return line.find("记录无法保存") != Text::npos; }),
            1);
  disk.failWrites = false;
  EXPECT_FALSE(StoreHolds("b1", "1001"));
  EXPECT_EQ(FilesIn(saves.File("T相册_b1")).size(), 3u);

  // One that cannot even be read: said with its reason at the album's start,
  // and with the switch on every picture is fetched all the same.
  disk.failReads = true;
  RecordingWindow second;
  second.Values().SetSaveFolder(saves.Path());
  second.Values().SetDuplicateSwitch(true);
  second.AddBoard("T", 3, "b1");
  site.ClearRequests();
  EXPECT_EQ(RunWith(second).saved, 3);
  EXPECT_EQ(Targets("/img/").size(), 3u);
  const auto said = second.LogLines();
  EXPECT_NE(
      std::find(said.begin(), said.end(),
                "防止重复下载数据库无法使用（无法读取），这个相册的图片都会下载，也不会记下\r\n"),
      said.end())
      << second.Log();
}

// ---------------------------------------------------------------------------
// Sync runs

// Pins newest first, as a board lists them: ids falling from newestId.
std::vector<demosite::Pin> FallingPins(int count, long long newestId) {
  std::vector<demosite::Pin> pins = MakePins(count, newestId - count + 1);
  std::reverse(pins.begin(), pins.end());
  return pins;
}

TEST_F(DownloadTest, SyncRunAsksOnlyForWhatIsNewerThanTheLastCompletePass) {
  site.AddBoard(MakeBoard("b1", FallingPins(250, 3250)));
  site.AddSearch(MakeSearch("cat", MakePins(120, 5001)));
  AddBoard("T", 250, "b1");
  AddKeyword("cat", 120);
  window.Values().SetSyncSwitch(true);
  Run();  // no mark yet: every page, every picture
  EXPECT_EQ(Targets("/boards/").size(), 3u);
  EXPECT_EQ(Targets("/img/").size(), 370u);
  const auto first = window.LogLines();
  EXPECT_NE(std::find(first.begin(), first.end(),
                      "只取新图：这个相册还没有完整下载过，这次翻遍每一页\r\n\r\n"),
            first.end());

  // Up to date: the board's newest page only and no picture; the search is
  // not ordered by time, so it pages through and skips.
  const auto rerun = [&] {
    site.ClearRequests();
    RecordingWindow again;
    again.Values().SetSaveFolder(saves.Path());
    again.Values().SetSyncSwitch(true);
    for (const Album& album : window.Albums().Rows()) again.Albums().AppendRow(album);
    RunWith(again);
    return again.LogLines();
  };
  EXPECT_EQ(rerun(),
            (std::vector<Text>{
                "当前被选择相册编号:1、2、\r\n\r\n", kSwitchOn, "准备下载相册《T》\r\n\r\n",
                "只取新图：只取比上次完整下载时最新的图片[3250]更新的图片\r\n\r\n",
                "第[1]页已到上次完整下载的位置，不再往下翻页\r\n",
                "---完成相册《T相册》下载\r\n\r\n", kSwitchOn, "准备下载相册《cat》\r\n\r\n",
                "只取新图：关键词搜索的图片不按时间排列，只跳过已经下载的图片\r\n\r\n",
                "---完成相册《cat_》下载,有2个是广告跳过\r\n\r\n", kAllDone}));
  EXPECT_EQ(Targets("/boards/"),
            std::vector<std::string>{"/boards/b1/?isgtq0gn&max=&limit=100&wfl=1"});
  EXPECT_EQ(Targets("/search/").size(), 2u);
  EXPECT_TRUE(Targets("/img/").empty());

  // Five new pins on top: exactly those five, from the newest page.
  const std::vector<demosite::Pin> added = site.GrowBoard("b1", 5);
  ASSERT_EQ(added.size(), 5u);
  rerun();
  std::vector<std::string> expected;
  for (const demosite::Pin& pin : added) expected.push_back("/img/" + pin.key);
  EXPECT_EQ(Targets("/img/"), expected);
  EXPECT_EQ(Targets("/boards/").size(), 1u);
  EXPECT_EQ(FilesIn(saves.File("T相册_b1")).size(), 255u);
  EXPECT_TRUE(StoreHolds("b1", std::to_string(added.front().pinId)));
}

// Ends the run once a caption reads trigger, as a user would press 结束下载.
class EndingWindow : public RecordingWindow {
 public:
  EndingWindow(RunGate& gate, Text trigger) : gate_(gate), trigger_(std::move(trigger)) {}
  void Tell(const EngineEvent& event) override {
    if (const auto* report = std::get_if<RunProgressReport>(&event)) {
      if (CaptionsFor(report->progress).picture == trigger_) gate_.End();
    }
    RecordingWindow::Tell(event);
  }

 private:
  RunGate& gate_;
  const Text trigger_;
};

TEST_F(DownloadTest, AFailedOrEndedPassLeavesTheMarkWhereItWas) {
  site.AddBoard(MakeBoard("b1", FallingPins(150, 2150)));
  AddBoard("T", 150, "b1");
  window.Values().SetSyncSwitch(true);
  const auto syncMark = [&] {
    DuplicateStore store;
    store.Open(home.Path(), "b1");
    return store.SyncMark();
  };
  demosite::Fault missing;
  missing.status = 404;
  site.SetFault("/img/k2149.gif", missing);
  Run();
  EXPECT_FALSE(syncMark()) << "a picture failed: no complete pass yet";
  EXPECT_EQ(window.LogLines()[window.LogLines().size() - 3],
            "这个相册这次没有完整下载，下次只取新图时仍从上次的位置往下找\r\n");

  site.ClearFaults();
  site.ClearRequests();
  Run();  // every page again, the one missing picture
  EXPECT_EQ(Targets("/img/"), std::vector<std::string>{"/img/k2149.gif"});
  EXPECT_EQ(syncMark(), Text("2150"));

  // 120 new pins on top; the run is ended at the thirtieth.
  site.GrowBoard("b1", 120);
  EndingWindow ending(gate, "第[30]个图片");
  ending.Values().SetSaveFolder(saves.Path());
  ending.Values().SetSyncSwitch(true);
  ending.AddBoard("T", 270, "b1");
  gate.Reset();  // the runs before finished through it
  EXPECT_TRUE(RunWith(ending).ended);
  EXPECT_EQ(syncMark(), Text("2150"));

  gate.Reset();
  site.ClearRequests();
  Run();  // the rest of the new pins, down to the mark
  EXPECT_EQ(Targets("/boards/").size(), 2u);
  EXPECT_EQ(Targets("/img/").size(), 120u - 29u);
  EXPECT_EQ(syncMark(), Text("2270"));
  EXPECT_EQ(FilesIn(saves.File("T相册_b1")).size(), 270u);
}

TEST(SyncPass, PinIdsCompareAsNumbersOfAnyLength) {
  EXPECT_TRUE(NewerPinId("10", "9"));
  EXPECT_FALSE(NewerPinId("9", "10"));
  EXPECT_TRUE(NewerPinId("0100", "99"));
  EXPECT_FALSE(NewerPinId("5", "005"));
  EXPECT_FALSE(NewerPinId("007", "10"));
  EXPECT_TRUE(NewerPinId("12345678901234567890", "9999999999999999999"));
  EXPECT_FALSE(NewerPinId("x", "1"));
  EXPECT_FALSE(NewerPinId("2", "-1"));
}

// ---------------------------------------------------------------------------
// One copy of a picture for every album

TEST_F(DownloadTest, PicturesSavedBeforeUnderTheSaveFolderAreLinkedNotFetched) {
  const auto pins = MakePins(10);
  const auto samePictures = [&](const std::string& id, long long firstId) {
    demosite::Board board = MakeBoard(id, pins);
    for (size_t i = 0; i < pins.size(); ++i) board.pins[i].pinId = firstId + i;
    site.AddBoard(board);
  };
  samePictures("b1", 1001);
  samePictures("b2", 2001);
  AddBoard("A", 10, "b1");
  AddBoard("B", 10, "b2");
  window.Values().SetLinkDuplicatesSwitch(true);

  const DownloadSummary summary = Run();

  EXPECT_EQ(Targets("/img/").size(), 10u);
  EXPECT_EQ(summary.saved, 20);
  EXPECT_EQ(summary.linked, 10);
  EXPECT_EQ(pacer.Pauses(), Repeat(Repeat({1000}, 100, 10), 1000, 1)) << "no pause, no request";
  const auto log = window.LogLines();
  EXPECT_EQ(log[log.size() - 3], "有10个图片以前已经保存过，没有再下载，只存了一份\r\n");
  // The Pin of a picture in the board whose pin ids start at firstId.
  const auto pinOf = [&](size_t i, long long firstId) {
    return demosite::Pin{firstId + static_cast<long long>(i), pins[i].key, pins[i].type};
  };
  // Whether two Text paths name one file (two names of it).
  const auto sameFile = [](const Text& a, const Text& b) {
    std::error_code error;
    return fs::equivalent(testing::NativeFsPath(platform::NativePathOf(a).str()),
                          testing::NativeFsPath(platform::NativePathOf(b).str()), error);
  };
  for (size_t i = 0; i < pins.size(); ++i) {
    const Text inA = saves.File("A相册_b1\\" + FileNameOf(i + 1, pinOf(i, 1001)));
    const Text inB = saves.File("B相册_b2\\" + FileNameOf(i + 1, pinOf(i, 2001)));
    EXPECT_TRUE(sameFile(inA, inB)) << inB;
    EXPECT_TRUE(StoreHolds("b2", std::to_string(2001 + i)));
  }
  EXPECT_EQ(FilesIn(saves.File("B相册_b2")).size(), 10u);

  // Both names of one picture gone, both of another changed (one file, two
  // names): those two are fetched as usual. One album's name of a third gone:
  // the other album's stays whole and stands in. Where no link can be made,
  // the rest are copies.
  ASSERT_TRUE(platform::RemoveFile(saves.File("A相册_b1\\" + FileNameOf(1, pinOf(0, 1001)))));
  ASSERT_TRUE(platform::RemoveFile(saves.File("B相册_b2\\" + FileNameOf(1, pinOf(0, 2001)))));
  ASSERT_TRUE(platform::WriteWholeFile(saves.File("A相册_b1\\2_1002.png"), "changed"));
  ASSERT_TRUE(platform::RemoveFile(saves.File("A相册_b1\\" + FileNameOf(3, pinOf(2, 1001)))));
  const Text thirdInB = saves.File("B相册_b2\\" + FileNameOf(3, pinOf(2, 2001)));
  EXPECT_EQ(platform::ReadWholeFile(thirdInB), demosite::DemoSite::PictureBytes(pins[2].key));
  samePictures("b3", 3001);
  RecordingWindow third;
  third.Values().SetSaveFolder(saves.Path());
  third.Values().SetLinkDuplicatesSwitch(true);
  third.AddBoard("C", 10, "b3");
  testing::FaultyFileSystem noLinks;
  noLinks.linkError = EXDEV;
  const platform::FileSystemOverride files(noLinks);
  site.ClearRequests();
  EXPECT_EQ(RunWith(third).linked, 8);
  EXPECT_EQ(Targets("/img/"),
            (std::vector<std::string>{"/img/" + pins[0].key, "/img/" + pins[1].key}));
  const Text c = saves.File("C相册_b3");
  ASSERT_EQ(FilesIn(c).size(), 10u) << "no temporary left";
  for (size_t i = 0; i < pins.size(); ++i) {
    const Text file = c + "\\" + FileNameOf(i + 1, pinOf(i, 3001));
    EXPECT_EQ(platform::ReadWholeFile(file), demosite::DemoSite::PictureBytes(pins[i].key));
    EXPECT_FALSE(sameFile(file, saves.File("B相册_b2\\" + FileNameOf(i + 1, pinOf(i, 2001)))));
  }
}

// An index that cannot be used (here a file that is no database) is said
// once, before the first album, and every picture is fetched as usual.
TEST_F(DownloadTest, AnIndexThatCannotBeUsedIsSaidOnceAndEveryPictureIsFetched) {
  for (const char* id : {"b1", "b2"}) site.AddBoard(MakeBoard(id, MakePins(3)));
  AddBoard("A", 3, "b1");
  AddBoard("B", 3, "b2");
  window.Values().SetLinkDuplicatesSwitch(true);
  const Text index = PictureIndexFile(home.Path());
  ASSERT_TRUE(platform::WriteWholeFile(index, Text(4096, 'x')));

  EXPECT_EQ(Run().saved, 6);
  EXPECT_EQ(Targets("/img/").size(), 6u) << "the same three pictures, fetched for each album";
  const auto log = window.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "相同图片索引无法使用：" + platform::ShownPath(index) +
                           "，这次每个图片都照常下载\r\n\r\n"),
            1);
}

// ---------------------------------------------------------------------------
// Keyword albums

TEST_F(DownloadTest, KeywordCatPagesThroughEveryPageIntoItsFolder) {
  const demosite::Search search = MakeSearch("cat", MakePins(250), {2});
  site.AddSearch(search);
  AddKeyword("cat", 250);
  session.cookies.Put(testing::ViewerCookie(site, "sid", "abc"));

  const DownloadSummary summary = Run();

  // The log shows the folder with this system's separators.
  const Text s(1, platform::NativeSeparator());
  EXPECT_EQ(window.LogLines(),
            (std::vector<Text>{"当前被选择相册编号:1、\r\n\r\n", kSwitchOff, kStoreCreated + "\r\n",
                               "准备下载相册《cat》\r\n\r\n",
                               saves.Path() + s + "cat_" + s + "创建成功\r\n\r\n",
                               "---完成相册《cat_》下载,有2个是广告跳过\r\n\r\n", kAllDone}));
  EXPECT_EQ(pacer.Pauses(), Repeat(Repeat(Repeat(Repeat({}, 100, 100), 1000, 1), 1000, 1), 100, 50))
      << "no pause before the first page, a second between pages";
  EXPECT_EQ(summary.saved, 150);
  EXPECT_EQ(summary.failedPages, 0) << "an empty page is not a failed one";

  const std::vector<std::string> pages = Targets("/search/");
  ASSERT_EQ(pages.size(), 3u);
  for (int n = 1; n <= 3; ++n) {
    EXPECT_EQ(pages[n - 1],
              "/search/?q=cat%5F&ikswv4bf&page=" + std::to_string(n) + "&per_page=100&wfl=1");
  }
  std::vector<std::string> expected;
  for (int i = 0; i < 100; ++i) expected.push_back(FileNameOf(i + 1, search.pins[i]));
  for (int i = 200; i < 250; ++i) expected.push_back(FileNameOf(i + 1, search.pins[i]));
  EXPECT_EQ(FilesIn(saves.File("cat_")), Sorted(expected));
  EXPECT_TRUE(StoreHolds("关键词_cat", "1201"));
  EXPECT_FALSE(StoreHolds("cat", "1201"));

  const auto requests = site.Requests();
  for (const auto& request : requests) {
    if (request.target.rfind("/search/", 0) == 0) {
      EXPECT_EQ(request.Header("X-Requested-With"), "XMLHttpRequest");
    } else {
      EXPECT_EQ(request.Header("Referer"), site.SiteHost() + "/pins/关键词_cat/");
    }
  }
}

TEST_F(DownloadTest, KeywordTitleLosesFullStopsAndBlanks) {
  site.AddSearch(MakeSearch("bigcat", MakePins(1)));
  AddKeyword("big. cat", 1);

  Run();

  EXPECT_EQ(Targets("/search/"),
            std::vector<std::string>{"/search/?q=bigcat%5F&ikswv4bf&page=1&per_page=100&wfl=1"});
  EXPECT_EQ(FilesIn(saves.File("bigcat_")).size(), 1u);
  EXPECT_EQ(window.LogLines()[5], "---完成相册《bigcat_》下载,有2个是广告跳过\r\n\r\n");
}

// A total the site made up must not send millions of page requests: three
// pages in a row without pins end the album (two do not).
TEST_F(DownloadTest, KeywordAlbumWithAMadeUpTotalStopsAfterThreeEmptyPages) {
  site.AddSearch(MakeSearch("cat", MakePins(350), {2, 3}));
  AddKeyword("cat", LLONG_MAX);

  const DownloadSummary summary = Run();

  EXPECT_EQ(summary.saved, 150);
  EXPECT_EQ(Targets("/search/").size(), 7u) << "pins, two empty, pins, three empty";
  const auto log = window.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "连续3页没有图片，不再往下翻页\r\n"), log.end());
  EXPECT_EQ(log[log.size() - 2], "---完成相册《cat_》下载,有2个是广告跳过\r\n\r\n");
  const std::vector<int> pauses = pacer.Pauses();
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 1000), 6)
      << "a second before every page after the first";
}

// What the site wrote never puts a control character into a folder name, and
// a title too long for one name is shortened with the album id kept.
TEST_F(DownloadTest, FolderNamesHoldNoControlCharactersAndFitTheFileSystem) {
  site.AddBoard(MakeBoard("b1", MakePins(1)));
  site.AddBoard(MakeBoard("b2", MakePins(1)));
  Text longTitle;
  for (int i = 0; i < 200; ++i) longTitle += "长";  // 600 bytes of UTF-8
  AddBoard(
      "a\x1b[31mb\x07"
      "c\r\nd\x7f",
      1, "b1");
  AddBoard(longTitle, 1, "b2");

  const DownloadSummary summary = Run();

  EXPECT_EQ(summary.saved, 2);
  const std::vector<std::string> folders = FilesIn(saves.Path());
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_EQ(folders[0], Utf8(u8"a[31mbcd相册_b1"));
  EXPECT_LE(folders[1].size(), 255u);
  EXPECT_TRUE(folders[1].ends_with(Utf8(u8"长相册_b2"))) << "cut between characters";
  EXPECT_EQ(FilesIn(saves.File(platform::TextPathOf(platform::NativePath::FromSystem(folders[1]))))
                .size(),
            1u);
}

TEST_F(DownloadTest, FailedSearchPageIsReportedAndTheNextPageFollows) {
  site.AddSearch(MakeSearch("cat", MakePins(150)));
  demosite::Fault fault;
  fault.kind = demosite::Fault::Kind::kEmptyBody;
  fault.firstN = 10;
  site.SetFault("/search/", fault);
  AddKeyword("cat", 150);

  const DownloadSummary summary = Run();

  EXPECT_EQ(pacer.Pauses(), Repeat(Repeat(Repeat({}, 2000, 10), 1000, 1), 100, 50));
  EXPECT_EQ(summary.failedPages, 1);
  EXPECT_EQ(summary.saved, 50);
  const auto log = window.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "第[1]页获取失败\r\n"), log.end());
  EXPECT_EQ(FilesIn(saves.File("cat_")).front(), FileNameOf(101, MakePins(150)[100]));
}

// ---------------------------------------------------------------------------
// The selection

TEST_F(DownloadTest, NoRowTickedGoesStraightToTheFinish) {
  site.AddBoard(MakeBoard("b1", MakePins(2)));
  AddBoard("T", 2, "b1", /*checked=*/false);

  const DownloadSummary summary = Run();

  EXPECT_EQ(window.LogLines(), (std::vector<Text>{"当前未选择任何相册\r\n\r\n", kAllDone}));
  EXPECT_EQ(window.Captions().selected, "总共需下载[0]个相册");
  EXPECT_EQ(window.PictureCaptions(), std::vector<Text>{"下载完成"});
  EXPECT_EQ(window.Messages(), std::vector<Text>{"信息：|全部下载完毕"});
  EXPECT_TRUE(site.Requests().empty());
  EXPECT_EQ(summary.albums, 0);
}

// An album whose answer never came right is neither listed nor downloaded,
// even ticked, and the finish says that an album was not downloaded.
TEST_F(DownloadTest, TickedAlbumWhoseAnswerFailedIsNeitherListedNorDownloaded) {
  for (const char* id : {"b1", "b2", "b3", "b4", "b5"}) site.AddBoard(MakeBoard(id, MakePins(1)));
  AddBoard("A", 1, "b1", false);
  AddBoard("B", 1, "b2", true);
  AddBoard("C", 1, "b3", false);
  AddBoard("D", 1, "b4", false);
  Album failed;
  failed.kind = "board";
  failed.id = "b5";
  failed.failed = true;
  failed.failure = "网站上没有了（HTTP 404）";
  failed.ticked = true;
  window.Albums().AppendRow(failed);

  const DownloadSummary summary = Run();

  EXPECT_EQ(window.LogLines().front(), "当前被选择相册编号:2、\r\n\r\n");
  EXPECT_EQ(window.Captions().selected, "总共需下载[1]个相册");
  EXPECT_EQ(summary.albums, 1);
  EXPECT_EQ(summary.unansweredAlbums, 1);
  for (const std::string& target : Targets("/boards/")) {
    EXPECT_EQ(target.rfind("/boards/b2/", 0), 0u) << target;
  }
  EXPECT_EQ(window.LogLines().back(), "-------下载结束，1个相册没有下载成功--------\r\n\r\n");
  EXPECT_EQ(window.PictureCaptions().back(), "下载结束，有失败");
  EXPECT_EQ(window.Messages(),
            std::vector<Text>{"信息：|下载结束，但有1个相册没有下载成功，详见操作日志"});
}

// ---------------------------------------------------------------------------
// Pictures that do not come whole

class PictureFailureTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    site.AddBoard(MakeBoard("b1", pins));
    AddBoard("T", 4, "b1");
    site.SetRequestObserver(
        [this](const demosite::RequestRecord& r) { pacer.MarkRequest(r.target); });
  }
  // The pauses before each attempt at a picture, since the request before it.
  std::vector<int> PausedBefore(int index) const {
    return pacer.PausedBefore("/img/" + pins[index].key);
  }
  void FailPicture(int index, demosite::Fault fault) {
    site.SetFault("/img/" + pins[index].key, fault);
  }
  size_t RequestsFor(int index) const { return Targets("/img/" + pins[index].key).size(); }
  std::vector<std::string> Files() const { return FilesIn(saves.File("T相册_b1")); }

  const std::vector<demosite::Pin> pins = MakePins(4);
};

TEST_F(PictureFailureTest, ServerErrorIsTriedThreeTimesThenLeavesNoFileAndNoRecord) {
  demosite::Fault fault;
  fault.status = 500;
  FailPicture(1, fault);

  const DownloadSummary summary = Run();

  EXPECT_EQ(RequestsFor(1), 3u);
  for (int again : {1, 2}) EXPECT_GE(PausedBefore(1)[again], kPictureAttemptPolicy.pauseMs);
  EXPECT_EQ(Files(),
            Sorted({FileNameOf(1, pins[0]), FileNameOf(3, pins[2]), FileNameOf(4, pins[3])}));
  EXPECT_FALSE(StoreHolds("b1", "1002"));
  EXPECT_TRUE(StoreHolds("b1", "1003"));
  EXPECT_EQ(summary.failedPictures, 1);
  EXPECT_EQ(summary.saved, 3);
  const auto log = window.LogLines();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[log.size() - 4], "第[2]个图片下载失败\r\n");
  EXPECT_EQ(log[log.size() - 3], "原因：服务器出错（HTTP 500）\r\n")
      << "the reason on its own line";
  EXPECT_EQ(log[log.size() - 2], "---完成相册《T相册》下载\r\n\r\n");
}

// A picture the site no longer has, or refuses without a sign-in, is not
// asked for again; the log says why.
TEST_F(PictureFailureTest, MissingOrRefusedPictureIsNotAskedForAgain) {
  demosite::Fault missing;
  missing.status = 404;
  FailPicture(0, missing);
  demosite::Fault refused;
  refused.status = 403;
  FailPicture(1, refused);
  Run();
  EXPECT_EQ(RequestsFor(0), 1u);
  EXPECT_EQ(RequestsFor(1), 1u);
  EXPECT_EQ(Files().size(), 2u);
  const auto log = window.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "原因：网站要求登录（HTTP 403），请先在“登录”页登录后再下载\r\n"),
            log.end());
}

// The site's own wait (Retry-After) is kept, up to a minute.
TEST_F(PictureFailureTest, TooManyRequestsWaitsForRetryAfterThenSucceeds) {
  demosite::Fault fault;
  fault.status = 429;
  fault.firstN = 1;
  fault.retryAfter = 7;
  FailPicture(0, fault);
  fault.retryAfter = 3600;
  FailPicture(1, fault);
  Run();
  EXPECT_EQ(RequestsFor(0), 2u);
  EXPECT_GE(PausedBefore(0)[1], 7000);
  EXPECT_EQ(PausedBefore(1)[1], 60000);
  EXPECT_EQ(Files().size(), 4u);
}

TEST_F(PictureFailureTest, TruncatedOrEmptyBodiesAreNotSaved) {
  demosite::Fault truncated;
  truncated.kind = demosite::Fault::Kind::kTruncate;
  truncated.firstN = 1;
  FailPicture(0, truncated);
  demosite::Fault empty;
  empty.kind = demosite::Fault::Kind::kEmptyBody;
  FailPicture(1, empty);
  demosite::Fault reset;
  reset.kind = demosite::Fault::Kind::kReset;
  reset.firstN = 2;
  FailPicture(2, reset);
  // Cut without a length: only the picture's own end shows it.
  demosite::Fault closeCut;
  closeCut.kind = demosite::Fault::Kind::kCut;
  closeCut.firstN = 1;
  FailPicture(3, closeCut);

  const DownloadSummary summary = Run();

  EXPECT_EQ(RequestsFor(0), 2u);
  EXPECT_EQ(RequestsFor(1), 3u);
  EXPECT_EQ(RequestsFor(2), 3u);
  EXPECT_EQ(RequestsFor(3), 2u);
  for (int i : {0, 3}) {
    EXPECT_EQ(platform::ReadWholeFile(
                  saves.File("T相册_b1\\" + FileNameOf(i + 1, pins[static_cast<size_t>(i)]))),
              demosite::DemoSite::PictureBytes(pins[static_cast<size_t>(i)].key))
        << "the second attempt brought the whole picture " << i;
  }
  EXPECT_EQ(Files(),
            Sorted({FileNameOf(1, pins[0]), FileNameOf(3, pins[2]), FileNameOf(4, pins[3])}));
  EXPECT_EQ(summary.failedPictures, 1);
}

TEST_F(PictureFailureTest, AnswersThatAreNotPicturesAreNeverSavedNorRecorded) {
  // The image host at the site's root: key "index.html" answers with the
  // site's HTML front page, "boards/b1/" with the board's JSON, both with
  // status 200. Recorded, either would keep the real picture away for good.
  site.AddBoard(MakeBoard(
      "b2",
      {{7, "index.html", "image/jpeg"}, {8, "img/k8.png", "png"}, {9, "boards/b1/", "image/png"}}));
  session.site.imageHost = site.SiteHost();
  window.Albums().ClearRows();
  AddBoard("H", 3, "b2");

  const DownloadSummary summary = Run();

  EXPECT_EQ(Targets("/index.html").size(), 3u);
  EXPECT_EQ(Targets("/boards/b1/").size(), 3u);
  EXPECT_EQ(FilesIn(saves.File("H相册_b2")), std::vector<std::string>{"2_8.png"});
  EXPECT_EQ(summary.failedPictures, 2);
  EXPECT_FALSE(StoreHolds("b2", "7"));
  EXPECT_FALSE(StoreHolds("b2", "9"));
  const auto log = window.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "原因：网站返回的不是图片\r\n"), 2);
}

// A page's status counts: an error answer is asked for again, whatever its body.
TEST_F(PictureFailureTest, BoardPageAnsweringWithAnErrorIsAskedForAgain) {
  demosite::Fault busy;
  busy.status = 503;
  busy.firstN = 2;
  site.SetFault("/boards/b1/", busy);

  const DownloadSummary summary = Run();

  EXPECT_EQ(summary.saved, 4);
  EXPECT_EQ(summary.failedPages, 0);
  const std::vector<int> paused = pacer.PausedBefore("/boards/b1/");
  ASSERT_EQ(paused.size(), 3u) << "two errors, then the page";
  for (int again : {1, 2}) EXPECT_GE(paused[again], kPageAttemptPolicy.pauseMs);
}

TEST_F(PictureFailureTest, PageAnsweringTooManyRequestsWaitsForRetryAfter) {
  demosite::Fault slowDown;
  slowDown.status = 429;
  slowDown.retryAfter = 9;
  slowDown.firstN = 1;
  site.SetFault("/boards/b1/", slowDown);
  EXPECT_EQ(Run().saved, 4);
  const std::vector<int> paused = pacer.PausedBefore("/boards/b1/");
  ASSERT_EQ(paused.size(), 2u);
  EXPECT_GE(paused[1], 9000);
}

// A signed-in run stays signed in: every page and picture request carries the
// session's cookies, whether the answer before set cookies, set none, or never
// came, in one Cookie line.
TEST_F(DownloadTest, SignedInRunCarriesTheSessionCookiesOnEveryRequest) {
  site.AddBoard(MakeBoard("b1", MakePins(3)));
  site.AddSearch(MakeSearch("cat", MakePins(120)));
  demosite::Fault reset;
  reset.kind = demosite::Fault::Kind::kReset;
  reset.firstN = 1;
  site.SetFault("/img/k1002.png", reset);
  AddBoard("T", 3, "b1");
  AddKeyword("cat", 120);
  session.cookies.Put(testing::ViewerCookie(site, "sid", "abc"));
  session.cookies.Put(testing::ViewerCookie(site, "viewer", "1"));

  const DownloadSummary summary = Run();

  EXPECT_EQ(summary.saved, 123);
  for (const demosite::RequestRecord& request : site.Requests()) {
    EXPECT_EQ(request.headers.count("Cookie"), 1u) << request.target;
    const std::string cookies = request.Header("Cookie");
    EXPECT_NE(cookies.find("sid=abc"), std::string::npos) << request.target << ": " << cookies;
    EXPECT_NE(cookies.find("viewer=1"), std::string::npos) << request.target << ": " << cookies;
  }
  EXPECT_NE(session.cookies.CookieLineFor(site.SiteHost() + "/").find("sid=abc"), Text::npos);
}

// The viewer feeds the jar while a run goes on: a sign-in reaches the next
// request of every kind (board pages, pictures, search pages), and a sign-out
// stops the cookie on every one of them from the next request on.
TEST_F(DownloadTest, ASignInAndASignOutDuringARunReachTheNextRequestOfEveryKind) {
  site.AddBoard(MakeBoard("b1", MakePins(150)));
  site.AddSearch(MakeSearch("cat", MakePins(150)));
  AddBoard("T", 150, "b1");
  AddKeyword("cat", 150);
  std::atomic<int> seen{0};
  std::atomic<int> signedInAt{0};
  std::atomic<int> signedOutAt{0};
  site.SetRequestObserver([&](const demosite::RequestRecord& request) {
    const int number = ++seen;
    // Signed in while the first picture is fetched, signed out while the
    // first search page is.
    if (signedInAt == 0 && request.target.rfind("/img/", 0) == 0) {
      session.cookies.Put(testing::ViewerCookie(site, "sid", "late"));
      signedInAt = number;
    } else if (signedOutAt == 0 && request.target.rfind("/search/", 0) == 0) {
      session.cookies.Remove("sid", UrlHost(site.SiteHost()), "/");
      signedOutAt = number;
    }
  });

  EXPECT_EQ(Run().saved, 300);

  const auto requests = site.Requests();
  std::set<std::string> kindsSignedIn;
  std::set<std::string> kindsSignedOut;
  for (size_t i = 0; i < requests.size(); ++i) {
    const int number = static_cast<int>(i) + 1;
    const std::string& target = requests[i].target;
    const std::string kind = target.substr(0, target.find('/', 1) + 1);
    const bool carries = requests[i].Header("Cookie").find("sid=late") != std::string::npos;
    if (number <= signedInAt || number > signedOutAt) {
      EXPECT_FALSE(carries) << number << " " << target;
      if (number > signedOutAt) kindsSignedOut.insert(kind);
    } else if (number > signedInAt && number < signedOutAt) {
      EXPECT_TRUE(carries) << number << " " << target;
      kindsSignedIn.insert(kind);
    }
  }
  EXPECT_EQ(kindsSignedIn, (std::set<std::string>{"/boards/", "/img/"}));
  EXPECT_EQ(kindsSignedOut, (std::set<std::string>{"/search/", "/img/"}));
}

TEST_F(PictureFailureTest, PinWithAnOddIdIsSkippedWithALine) {
  site.AddBoard(MakeBoard("b3", {{-5, "k-5.jpg", ""}, {9, "k9.jpg", ""}}));
  window.Albums().ClearRows();
  AddBoard("N", 2, "b3");

  Run();

  EXPECT_TRUE(Targets("/img/k-5.jpg").empty());
  EXPECT_EQ(FilesIn(saves.File("N相册_b3")), std::vector<std::string>{"2_9.jpg"});
  const auto log = window.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "第[1]个图片的编号不对，已跳过\r\n"), log.end());
}

TEST_F(PictureFailureTest, TheSitesPinIdGoesIntoTheNextPagesQueryEncoded) {
  std::vector<demosite::Pin> many = MakePins(101);
  demosite::Board board = MakeBoard("b4", many);
  // A pin id holding "&" and "#" must not add words to the query or end it.
  board.rawPins[many[99].pinId].pinId = "\"7&limit=1#x\"";
  site.AddBoard(board);
  window.Albums().ClearRows();
  AddBoard("P", 101, "b4");

  Run();

  const std::vector<std::string> pages = Targets("/boards/b4/");
  ASSERT_GE(pages.size(), 2u);
  EXPECT_EQ(pages[0], "/boards/b4/?isgtq0gn&max=&limit=100&wfl=1");
  EXPECT_EQ(pages[1], "/boards/b4/?isgtq0gn&max=7%26limit%3D1%23x&limit=100&wfl=1");
}

TEST_F(PictureFailureTest, BoardPageThatNeverComesIsReportedBeforeTheAlbumEnds) {
  demosite::Fault fault;
  fault.kind = demosite::Fault::Kind::kEmptyBody;
  site.SetFault("/boards/b1/", fault);

  const DownloadSummary summary = Run();

  EXPECT_EQ(pacer.Pauses(), Repeat({1000}, 2000, 10));
  EXPECT_EQ(Targets("/boards/").size(), 10u);
  EXPECT_EQ(summary.failedPages, 1);
  const auto log = window.LogLines();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log[log.size() - 5], "第[1]页获取失败\r\n");
  EXPECT_EQ(log[log.size() - 4], "原因：网站返回了空内容\r\n");
  EXPECT_EQ(log[log.size() - 3], "相册《T》只取到0个图片，少于图片数量4\r\n");
  EXPECT_EQ(log[log.size() - 2], "---完成相册《T相册》下载\r\n\r\n");
}

// An error answer is no page of the album, whatever its body holds: after the
// last attempt not one of the pins in it is fetched.
TEST_F(PictureFailureTest, BoardPageThatFailedWithPinsInItsBodyGivesNoPictures) {
  demosite::RawAnswer error;
  error.status = 500;
  error.headers = {{"Content-Type", "application/json"}};
  error.body = R"({"board":{"pins":[{"pin_id":1001,"file":{"key":"k1001.gif"}}]}})";
  site.SetRawAnswer("/boards/b1/?isgtq0gn&max=&limit=100&wfl=1", error);
  const DownloadSummary summary = Run();
  EXPECT_EQ(Targets("/boards/").size(), 10u);
  EXPECT_TRUE(Targets("/img/").empty());
  EXPECT_EQ(summary.failedPages, 1);
}

TEST_F(PictureFailureTest, BoardPageThatIsNotJsonIsReported) {
  demosite::Fault fault;
  fault.kind = demosite::Fault::Kind::kBadJson;
  site.SetFault("/boards/b1/", fault);
  const DownloadSummary summary = Run();
  EXPECT_EQ(pacer.Pauses(), Repeat({1000}, 2000, 10)) << "asked for again like an empty page";
  EXPECT_EQ(summary.failedPages, 1);
  EXPECT_EQ(summary.saved, 0);
}

// ---------------------------------------------------------------------------
// The JSON view

// An answer as the transfer hands it over: a status, header lines, a body.
HttpResult Answer(int status, const Bytes& body, std::vector<Text> lines = {}) {
  HttpResult reply;
  reply.statusCode = status;
  lines.insert(lines.begin(), "HTTP/1.1 " + std::to_string(status) + " X");
  reply.headers = ResponseHeaders(lines);
  reply.body = body;
  return reply;
}

Bytes TestPicture(const std::string& name) {
  return testing::ReadNativeFile(ALBUMDL_TEST_DATA_DIR "/pictures/" + name);
}

// Real files of every common form (tests/data/pictures/README): each runs to
// its form's end and is taken byte for byte, from an answer without a length,
// with one or chunked; no shorter piece of it passes for whole, and an answer
// that announced more than came is cut short.
TEST(PictureForm, RealPicturesEndWholeAndNoCutOfThemDoes) {
  const std::vector<std::pair<const char*, PictureForm>> files{
      {"jpeg-jfif.jpg", PictureForm::kJpeg},      {"jpeg-exif.jpg", PictureForm::kJpeg},
      {"jpeg-bare.jpg", PictureForm::kJpeg},      {"jpeg-progressive.jpg", PictureForm::kJpeg},
      {"png-plain.png", PictureForm::kPng},       {"gif87a.gif", PictureForm::kGif},
      {"gif89a-animated.gif", PictureForm::kGif}, {"webp-lossy.webp", PictureForm::kWebp},
      {"webp-lossless.webp", PictureForm::kWebp}, {"bmp-v3.bmp", PictureForm::kBmp},
      {"tiff-plain.tif", PictureForm::kTiff}};
  for (const auto& [name, form] : files) {
    SCOPED_TRACE(name);
    const Bytes bytes = TestPicture(name);
    ASSERT_GT(bytes.size(), 100u);
    EXPECT_EQ(PictureFormOf(bytes, ""), form);
    EXPECT_TRUE(EndsWhole(bytes, form));
    EXPECT_TRUE(EndsWhole(bytes + "trailing bytes of a camera", form));
    // Answered with Connection: close and no length, as an old server does.
    EXPECT_TRUE(JudgePicture(Answer(200, bytes, {"Connection: close"})).ok());
    EXPECT_TRUE(JudgePicture(Answer(200, bytes, {"Transfer-Encoding: chunked"})).ok());
    const Text length = "Content-Length: " + std::to_string(bytes.size());
    EXPECT_TRUE(JudgePicture(Answer(200, bytes, {length})).ok());
    const AnswerVerdict cutShort = JudgePicture(Answer(200, bytes, {length + "0"}));
    EXPECT_EQ(cutShort.reason, FailureText(HttpFailure::kTruncated));
    size_t wholeCuts = 0;
    for (size_t cut = 1; cut < bytes.size(); ++cut)
      wholeCuts += EndsWhole(bytes.substr(0, cut), form);
    EXPECT_EQ(wholeCuts, 0u);
    const AnswerVerdict half = JudgePicture(Answer(200, bytes.substr(0, bytes.size() / 2)));
    EXPECT_EQ(half.kind, AnswerVerdict::Kind::kRetry);
    EXPECT_EQ(half.reason, "图片不完整（连接在图片结束前关闭）");
  }
  // The stand-in site's own pictures, which every other test saves.
  for (const char* key : {"a.jpg", "b.png", "c.gif"}) {
    const Bytes bytes = demosite::DemoSite::PictureBytes(key);
    EXPECT_TRUE(EndsWhole(bytes, PictureFormOf(bytes, ""))) << key;
  }
  // A compressed picture runs longer than the coded length announced; a plain
  // one shorter than announced was cut, whatever its bytes say.
  const Bytes png = TestPicture("png-plain.png");
  EXPECT_TRUE(
      JudgePicture(Answer(200, png, {"Content-Length: 100", "Content-Encoding: gzip"})).ok());
  EXPECT_FALSE(
      JudgePicture(Answer(200, png, {"Content-Length: " + std::to_string(png.size() + 1)})).ok());
  // Old writers leave a BMP's sizes 0: its rows count, each padded to four
  // bytes (47 pixels of 3 bytes: 141, padded to 144).
  Bytes old = TestPicture("bmp-v3.bmp");
  old.replace(2, 4, 4, '\0');
  old.replace(34, 4, 4, '\0');
  old[18] = 47;
  EXPECT_TRUE(EndsWhole(old, PictureForm::kBmp));
  EXPECT_FALSE(EndsWhole(old.substr(0, old.size() - 50), PictureForm::kBmp));
  // HEIF's boxes and an SVG document's closing tag.
  for (const char* brand : {"avif", "heic"}) {
    const Bytes heif = Bytes(
                           "\0\0\0\x10"
                           "ftyp",
                           8) +
                       brand + Bytes(4, '\0') +
                       Bytes(
                           "\0\0\0\x0C"
                           "mdat\1\2\3\4",
                           12);
    EXPECT_EQ(PictureFormOf(heif, ""), PictureForm::kHeif) << brand;
    EXPECT_TRUE(EndsWhole(heif, PictureForm::kHeif));
    EXPECT_FALSE(EndsWhole(heif.substr(0, heif.size() - 1), PictureForm::kHeif));
  }
  const Bytes svg = "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect/></svg>\n<!-- made -->\n";
  EXPECT_EQ(PictureFormOf(svg, "Image/SVG+XML; charset=utf-8"), PictureForm::kSvg);
  EXPECT_TRUE(EndsWhole(svg, PictureForm::kSvg));
  EXPECT_FALSE(EndsWhole(svg.substr(0, 30), PictureForm::kSvg));
}

// Pages that pretend to be pictures (a login wall, an error message, a text
// that begins as a picture file does) are never taken for one.
TEST(PictureCheck, PagesThatPretendToBePicturesAreAskedForAgain) {
  const std::vector<std::pair<Bytes, Text>> imposters{
      {"<!DOCTYPE html><html><body>请先登录</body></html>", "image/jpeg"},
      {R"({"error":"login required"})", "image/png"},
      {"BMW is not a bitmap", "image/bmp"},
      {"<html><body>404</body></html>", "image/svg+xml"},
      {"GIF8", "image/gif"},
  };
  for (const auto& [body, type] : imposters) {
    const AnswerVerdict verdict = JudgePicture(Answer(
        200, body, {"Content-Type: " + type, "Content-Length: " + std::to_string(body.size())}));
    EXPECT_EQ(verdict.kind, AnswerVerdict::Kind::kRetry) << body;
    EXPECT_EQ(verdict.reason, "网站返回的不是图片") << body;
  }
}

// Whether a status is worth asking again for, and the words the log shows.
TEST(PictureCheck, EachStatusIsAskedForAgainOrGivenUpWithItsReason) {
  using Kind = AnswerVerdict::Kind;
  const Text signIn = "），请先在“登录”页登录后再下载";
  const std::vector<std::tuple<int, Kind, Text>> rows{
      {401, Kind::kGiveUp, "网站要求登录（HTTP 401" + signIn},
      {403, Kind::kGiveUp, "网站要求登录（HTTP 403" + signIn},
      {404, Kind::kGiveUp, "网站上没有了（HTTP 404）"},
      {410, Kind::kGiveUp, "网站上没有了（HTTP 410）"},
      {400, Kind::kGiveUp, "网站拒绝了请求（HTTP 400）"},
      {408, Kind::kRetry, "服务器出错（HTTP 408）"},
      {500, Kind::kRetry, "服务器出错（HTTP 500）"},
      {429, Kind::kRetry, "网站要求放慢速度（HTTP 429）"}};
  const Bytes picture = TestPicture("png-plain.png");
  for (const auto& [status, kind, reason] : rows) {
    const AnswerVerdict verdict = JudgePicture(Answer(status, picture));
    EXPECT_EQ(verdict.kind, kind) << status;
    EXPECT_EQ(verdict.reason, reason) << status;
  }
  // What the network does now and then is asked for again; the rest is not.
  for (HttpFailure failure :
       {HttpFailure::kConnectFailed, HttpFailure::kTimedOut, HttpFailure::kConnectionBroken,
        HttpFailure::kTruncated, HttpFailure::kTls, HttpFailure::kTooLarge}) {
    HttpResult reply;
    reply.failure = failure;
    const bool again = failure != HttpFailure::kTls && failure != HttpFailure::kTooLarge;
    EXPECT_EQ(JudgePicture(reply).kind, again ? Kind::kRetry : Kind::kGiveUp)
        << FailureText(failure);
  }
}

TEST(JsonValue, WrongQuestionsGiveTheEmptyValue) {
  const JsonValue page = JsonValue::Parse(R"({"board":{"pins":[{"pin_id":12}],"n":3}})");
  EXPECT_EQ(page.Member("board").Member("pins").Count(), 1);
  EXPECT_EQ(page.Member("pins").Count(), 0);
  EXPECT_EQ(page.Member("board").Member("n").Count(), 0);
  EXPECT_TRUE(page.Member("board").Member("pins").At(1).Empty());
  EXPECT_TRUE(page.Member("board").Member("pins").At(-1).Empty());
  EXPECT_TRUE(page.Member("board").Member("pins").Member("x").Empty());
  EXPECT_EQ(page.Member("board").Member("pins").At(0).Member("pin_id").Render(), "12");
  EXPECT_EQ(page.Member("missing").Render(), "");

  std::string deep;
  for (int i = 0; i < 50000; ++i) deep += "[";
  std::string deepPin = R"({"board":{"pins":[{"pin_id":)" + deep;
  for (int i = 0; i < 50000; ++i) deep += "]", deepPin += "]";
  deepPin += "}]}}";
  for (const std::string& broken :
       {std::string(""), std::string("not json"), std::string("{\"board\":"),
        std::string("{\"a\":\"\xff\"}"), deep, deepPin}) {
    const JsonValue value = JsonValue::Parse(broken);
    EXPECT_TRUE(value.Empty()) << broken.substr(0, 40);
    EXPECT_EQ(value.Member("board").Member("pins").Count(), 0);
  }
}

TEST(JsonValue, ValuesRenderAsText) {
  const JsonValue pin = JsonValue::Parse(
      Utf8(u8R"({"a":12345678901234567890,"b":-3,"c":"0042","d":"中\"文","e":null,"f":true})"));
  EXPECT_EQ(pin.Member("a").Render(), "12345678901234567890");
  EXPECT_EQ(pin.Member("b").Render(), "-3");
  EXPECT_EQ(pin.Member("c").Render(), "0042") << "a string id keeps its content";
  EXPECT_EQ(pin.Member("d").Render(), "中\"文") << "code page 936";
  EXPECT_EQ(pin.Member("e").Render(), "");
  EXPECT_EQ(pin.Member("f").Render(), "true");
}

}  // namespace
}  // namespace albumdl
