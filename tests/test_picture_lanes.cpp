// Several pictures of an album fetched at once (--jobs), against the stand-in
// site on loopback with real files and real record stores: whatever order the
// pictures come in, four lanes leave what one lane leaves; pause holds every
// lane, end stops every lane, a failure is counted once, a fault in a lane
// ends the run cleanly. Pauses are recorded, not waited.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "demo_site.h"
#include "download/download_run.h"
#include "download/duplicate_store.h"
#include "download/worker_control.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "session/session.h"
#include "support/album_check.h"
#include "support/faulty_file_system.h"
#include "support/recording_pacer.h"
#include "support/recording_window.h"
#include "support/temp_dir.h"

namespace albumdl {
namespace {

using testing::FaultyFileSystem;
using testing::RecordingPacer;
using testing::RecordingWindow;
using testing::TempDir;

constexpr int kLanes = 4;

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::vector<demosite::Pin> MakePins(int count, long long firstId) {
  static const char* const kTypes[] = {"image/gif", "image/png", "image/jpeg"};
  static const char* const kKeyEnds[] = {".gif", ".png", ".jpg"};
  std::vector<demosite::Pin> pins;
  for (int i = 0; i < count; ++i) {
    const long long id = firstId + i;
    pins.push_back({id, "k" + std::to_string(id) + kKeyEnds[i % 3], kTypes[i % 3]});
  }
  return pins;
}

// Every file under a folder with its bytes, by path relative to it.
std::map<std::string, std::string> FilesUnder(const std::string& native) {
  std::map<std::string, std::string> files;
  const std::filesystem::path root = testing::NativeFsPath(native);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const auto bytes = platform::RealFileSystem().Read(
        platform::NativePath::FromSystem(testing::Utf8Of(entry.path())));
    files[testing::Utf8Of(std::filesystem::relative(entry.path(), root).generic_u8string())] =
        bytes.value_or("?");
  }
  return files;
}

std::set<Text> Recorded(const Text& programDirectory, const Text& albumId,
                        const std::vector<demosite::Pin>& pins) {
  DuplicateStore store;
  store.Open(programDirectory, albumId);
  std::set<Text> ids;
  for (const auto& pin : pins) {
    if (store.Contains(std::to_string(pin.pinId))) ids.insert(std::to_string(pin.pinId));
  }
  return ids;
}

// The real disk, except that writing a file whose name holds spot takes long
// and then fails, as a failing disk does.
class SlowBadSpot : public FaultyFileSystem {
 public:
  std::string spot;
  platform::FileStatus WriteNewFile(const platform::NativePath& file, const Bytes& bytes,
                                    bool sync) override {
    if (file.Name().find(spot) == std::string::npos)
      return FaultyFileSystem::WriteNewFile(file, bytes, sync);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return platform::FileStatus::Failed(EIO);
  }
};

class PictureLanesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site.KeepRequests();
    ASSERT_TRUE(site.Start());
    session.site.siteHost = site.SiteHost();
    session.site.imageHost = site.ImageHost();
  }

  // One whole run with this many lanes into a program folder and a save folder
  // of its own.
  struct Result {
    DownloadSummary summary;
    std::vector<Text> log;
    std::vector<RunProgress> progress;
    std::vector<int> pauses;
    std::unique_ptr<TempDir> home = std::make_unique<TempDir>();
    std::unique_ptr<TempDir> saves = std::make_unique<TempDir>();
  };
  Result RunWithLanes(int lanes, const std::function<void(RecordingWindow&)>& rows) {
    Result result;
    session.programDirectory = result.home->Path();
    RecordingWindow window;
    window.Values().SetSaveFolder(result.saves->Path());
    rows(window);
    RunGate gate;
    RecordingPacer pacer{&gate};
    DownloadContext context{window, window.Values(), session, pacer, gate, {}, {}, lanes};
    result.summary = DownloadRun(context, window.Albums().Rows());
    result.log = window.LogLines();
    result.progress = window.ProgressReports();
    result.pauses = pacer.Pauses();
    return result;
  }

  int PictureRequests() const {
    int count = 0;
    for (const auto& request : site.Requests()) count += request.target.rfind("/img/", 0) == 0;
    return count;
  }

  demosite::DemoSite site{/*empty=*/true};
  Session session;
};

void ExpectSameSummary(const DownloadSummary& a, const DownloadSummary& b) {
  EXPECT_EQ(a.albums, b.albums);
  EXPECT_EQ(a.saved, b.saved);
  EXPECT_EQ(a.skipped, b.skipped);
  EXPECT_EQ(a.failedPictures, b.failedPictures);
  EXPECT_EQ(a.failedPages, b.failedPages);
  EXPECT_EQ(a.ended, b.ended);
}

TEST_F(PictureLanesTest, FourLanesLeaveTheFilesRecordsAndLogOfOne) {
  // Three pages of a board with pictures that come late, early, not at all
  // (404) and after a retry (one 500), and a keyword album of two pages.
  const auto boardPins = MakePins(230, 5001);
  demosite::Board board;
  board.id = "b1";
  board.title = "b1";
  board.pins = boardPins;
  site.AddBoard(board);
  demosite::Search search;
  search.keyword = "cat";
  search.text = "cat";
  search.pins = MakePins(150, 9001);
  site.AddSearch(search);
  const auto faults = [&] {
    demosite::Fault slow;
    slow.kind = demosite::Fault::Kind::kDelay;
    slow.delayMs = 40;
    slow.fraction = 0.2;
    site.SetFault("/img/k5", slow);
    demosite::Fault missing;
    missing.status = 404;
    site.SetFault("/img/" + boardPins[6].key, missing);
    site.SetFault("/img/" + boardPins[150].key, missing);
    demosite::Fault onceBroken;
    onceBroken.status = 500;
    onceBroken.firstN = 1;
    site.SetFault("/img/" + boardPins[40].key, onceBroken);
    // Picture 71 is missing; 70, just before it, fails later (see below).
    site.SetFault("/img/" + boardPins[70].key, missing);
  };
  const auto rows = [](RecordingWindow& window) {
    window.AddBoard("Board", 230, "b1");
    window.AddKeyword("cat", 150);
  };

  // Writing picture 70 takes long and then fails: with lanes, 71 is over
  // first, but the log tells 70 first all the same.
  SlowBadSpot disk;
  disk.spot = "70_" + std::to_string(boardPins[69].pinId);
  const platform::FileSystemOverride diskInUse(disk);

  faults();
  const Result one = RunWithLanes(1, rows);
  faults();
  site.ClearRequests();
  const Result four = RunWithLanes(kLanes, rows);
  EXPECT_EQ(site.ConnectionCount(), kLanes + 1)
      << "each lane keeps its connection; the run's thread asks for the pages";

  EXPECT_EQ(one.summary.saved, 230 - 4 + 150);
  EXPECT_EQ(one.summary.failedPictures, 4);
  EXPECT_TRUE(std::find(one.log.begin(), one.log.end(), "第[71]个图片下载失败\r\n") >
              std::find_if(one.log.begin(), one.log.end(),
                           [](const Text& line) { return line.rfind("图片无法保存：", 0) == 0; }));
  ExpectSameSummary(four.summary, one.summary);
  // The keyword album's folder line names the save folder, each run's own.
  const auto log = [](const Result& result) {
    std::vector<Text> lines;
    for (const Text& line : result.log)
      lines.push_back(TextReplace(line, result.saves->Path(), "SAVES"));
    return lines;
  };
  EXPECT_EQ(log(four), log(one));
  const auto oneFiles = FilesUnder(one.saves->Native());
  EXPECT_EQ(oneFiles.size(), 230u - 4 + 150);
  EXPECT_TRUE(FilesUnder(four.saves->Native()) == oneFiles) << "same names, same bytes";
  EXPECT_EQ(Recorded(four.home->Path(), "b1", boardPins),
            Recorded(one.home->Path(), "b1", boardPins));
  EXPECT_EQ(Recorded(four.home->Path(), "关键词_cat", search.pins),
            Recorded(one.home->Path(), "关键词_cat", search.pins));
  // The same pauses (each lane pauses after its own pictures); one lane's
  // come in the order of the pictures, four lanes' in the order they came.
  auto onePauses = one.pauses, fourPauses = four.pauses;
  std::sort(onePauses.begin(), onePauses.end());
  std::sort(fourPauses.begin(), fourPauses.end());
  EXPECT_EQ(fourPauses, onePauses);

  // The progress moves forward picture by picture within each album.
  int album = 0;
  long long picture = 0;
  for (const RunProgress& report : four.progress) {
    if (report.album != album) {
      album = report.album;
      picture = 0;
    }
    if (report.picture == 0) continue;  // album start and end
    EXPECT_GT(report.picture, picture) << "album " << album;
    picture = report.picture;
  }
  const auto shown = [](const std::vector<RunProgress>& reports) {
    std::vector<std::tuple<int, long long, long long>> seen;
    for (const RunProgress& p : reports) seen.emplace_back(p.album, p.picture, p.reached);
    return seen;
  };
  EXPECT_EQ(shown(four.progress), shown(one.progress));
}

// A disk that fills up while four lanes write, and a picture the site does
// not have: the full disk ends the album (the pictures the lanes had in hand
// fail with it), each failed picture is counted once, the disk trouble is
// said once, and nothing half-written or recorded without its file is left.
TEST_F(PictureLanesTest, FailuresOnLanesAreCountedOnceAndLeaveNothingHalfDone) {
  const auto pins = MakePins(40, 7001);
  demosite::Board board;
  board.id = "b1";
  board.title = "b1";
  board.pins = pins;
  site.AddBoard(board);
  demosite::Fault missing;
  missing.status = 404;
  site.SetFault("/img/" + pins[3].key, missing);

  FaultyFileSystem disk;
  const long long pictureSize =
      static_cast<long long>(demosite::DemoSite::PictureBytes(pins[0].key).size());
  disk.spaceLeft = pictureSize * 20;  // some twenty fit
  const Result result = [&] {
    const platform::FileSystemOverride faulty(disk);
    return RunWithLanes(kLanes, [](RecordingWindow& window) { window.AddBoard("T", 40, "b1"); });
  }();

  const DownloadSummary& summary = result.summary;
  EXPECT_GT(summary.saved, 0);
  EXPECT_LE(summary.saved, 20);
  EXPECT_EQ(summary.failedAlbums, 1);
  EXPECT_LE(summary.failedPictures, 1 + kLanes) << "no picture fetched after the disk was full";
  EXPECT_EQ(PictureRequests(), summary.saved + summary.failedPictures)
      << "every picture asked for counted once";
  EXPECT_EQ(std::count(result.log.begin(), result.log.end(), "第[4]个图片下载失败\r\n"), 1);
  int diskLines = 0;
  for (const Text& line : result.log) diskLines += line.rfind("图片无法保存：", 0) == 0;
  EXPECT_EQ(diskLines, 1) << "the full disk is said once for the album";

  std::set<std::string> ids;
  for (const auto& pin : pins) ids.insert(std::to_string(pin.pinId));
  std::map<std::string, std::string> keyOf;
  for (const auto& pin : pins) keyOf[std::to_string(pin.pinId)] = pin.key;
  const testing::AlbumCheck check = testing::CheckAlbum(
      result.saves->NativeFile(Utf8(u8"T相册_b1")), result.home->Path(), "b1", ids,
      [&](const std::string& id) { return demosite::DemoSite::PictureBytes(keyOf[id]); });
  EXPECT_EQ(check.pictures, summary.saved);
  EXPECT_EQ(check.corrupted, 0);
  EXPECT_EQ(check.temporaries, 0);
  EXPECT_EQ(check.recordedWithoutFile, 0);
  EXPECT_EQ(static_cast<int>(check.recorded.size()), summary.saved);
}

// ---------------------------------------------------------------------------
// Pause, end and faults, through the worker control as the command line
// drives it.

// Counts the lanes that come to a pause while the run is paused; they hold
// there.
class HoldCountingPacer : public Pacer {
 public:
  struct Holds {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
  };
  HoldCountingPacer(RunGate& gate, std::shared_ptr<Holds> holds)
      : gate_(gate), inner_(&gate), holds_(std::move(holds)) {}
  bool PumpingWait(int ms) override {
    if (gate_.Paused()) {
      std::lock_guard lock(holds_->mutex);
      ++holds_->count;
      holds_->changed.notify_all();
    }
    return inner_.PumpingWait(ms);
  }
  bool RealWait(int ms) override { return PumpingWait(ms); }

 private:
  RunGate& gate_;
  RecordingPacer inner_;
  std::shared_ptr<Holds> holds_;
};

class LaneControlTest : public PictureLanesTest {
 protected:
  void SetUp() override {
    PictureLanesTest::SetUp();
    session.programDirectory = home.Path();
    window.Values().SetSaveFolder(saves.Path());
    demosite::Board board;
    board.id = "b1";
    board.title = "b1";
    board.pins = pins;
    site.AddBoard(board);
    window.AddBoard("T", kPins, "b1");
  }

  // Every picture takes this long to come.
  void SlowPictures(int delayMs) {
    demosite::Fault fault;
    fault.kind = demosite::Fault::Kind::kDelay;
    fault.delayMs = delayMs;
    site.SetFault("/img/", fault);
  }

  PacerFactory Factory() {
    return [holds = holds](RunGate& gate) -> std::unique_ptr<Pacer> {
      return std::make_unique<HoldCountingPacer>(gate, holds);
    };
  }

  bool WaitForHolds(int count) {
    std::unique_lock lock(holds->mutex);
    return holds->changed.wait_for(lock, std::chrono::seconds(20),
                                   [&] { return holds->count >= count; });
  }

  bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 4000; ++i) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  testing::AlbumCheck Check() const {
    std::set<std::string> ids;
    std::map<std::string, std::string> keyOf;
    for (const auto& pin : pins) {
      ids.insert(std::to_string(pin.pinId));
      keyOf[std::to_string(pin.pinId)] = pin.key;
    }
    return testing::CheckAlbum(
        saves.NativeFile(Utf8(u8"T相册_b1")), home.Path(), "b1", ids,
        [keyOf](const std::string& id) { return demosite::DemoSite::PictureBytes(keyOf.at(id)); });
  }

  static constexpr int kPins = 12;
  const std::vector<demosite::Pin> pins = MakePins(kPins, 3001);
  TempDir home;
  TempDir saves;
  RecordingWindow window;
  std::shared_ptr<HoldCountingPacer::Holds> holds = std::make_shared<HoldCountingPacer::Holds>();
};

TEST_F(LaneControlTest, PauseHoldsEveryLaneUntilContinue) {
  SlowPictures(400);
  window.Values().SetPictureLanes(kLanes);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == kLanes; })) << "every lane under way";

  ASSERT_TRUE(control.Pause());
  ASSERT_TRUE(WaitForHolds(kLanes)) << "each lane's transfer finishes, then the lane holds";
  const int requestsWhenHeld = PictureRequests();
  const size_t reportsWhenHeld = window.ProgressReports().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(PictureRequests(), requestsWhenHeld) << "no lane asks for anything while paused";
  EXPECT_EQ(window.ProgressReports().size(), reportsWhenHeld) << "no caption moves";

  ASSERT_TRUE(control.Continue());
  const DownloadSummary summary = control.Wait();
  EXPECT_EQ(summary.saved, kPins);
  EXPECT_EQ(PictureRequests(), kPins);
  EXPECT_EQ(Check().pictures, kPins);
  EXPECT_EQ(window.LogLines().back(), "-------全部下载完毕--------\r\n\r\n");
}

TEST_F(LaneControlTest, EndStopsEveryLaneInItsTransfer) {
  SlowPictures(60000);  // no answer comes before the end
  window.Values().SetPictureLanes(kLanes);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == kLanes; }));

  ASSERT_TRUE(control.EndNow());
  auto finished = std::async(std::launch::async, [&] { return control.Wait(); });
  if (finished.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the transfers under way were not cut short";
    site.Stop();
  }
  const DownloadSummary summary = finished.get();

  EXPECT_TRUE(summary.ended);
  EXPECT_EQ(summary.saved, 0);
  EXPECT_EQ(PictureRequests(), kLanes) << "no lane asked for more";
  const testing::AlbumCheck check = Check();
  EXPECT_EQ(check.pictures + check.temporaries + check.corrupted, 0) << "nothing on disk";
  EXPECT_TRUE(check.recorded.empty());
  EXPECT_EQ(window.LogLines().back(), "执行了结束下载\r\n");
  EXPECT_EQ(window.Log().find("全部下载完毕"), Text::npos);
}

// A window that fails when the third picture is shown: that happens on a lane.
class FailingWindow : public RecordingWindow {
 public:
  std::atomic<bool> armed{true};
  void Tell(const EngineEvent& event) override {
    const auto* report = std::get_if<RunProgressReport>(&event);
    if (report && report->progress.picture == 3 && armed.exchange(false))
      throw std::runtime_error("lane trouble");
    RecordingWindow::Tell(event);
  }
};

TEST_F(LaneControlTest, AFaultOnALaneEndsTheRunCleanlyAndTheNextRunStarts) {
  SlowPictures(50);
  FailingWindow shown;
  shown.Values().SetSaveFolder(saves.Path());
  shown.Albums().AppendRow(window.Albums().Rows()[0]);
  shown.Values().SetPictureLanes(kLanes);
  WorkerControl control(shown, shown.Values(), shown.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  const DownloadSummary summary = control.Wait();

  EXPECT_TRUE(summary.ended);
  EXPECT_EQ(shown.LogLines().back(), "下载出错，本次下载已结束：lane trouble\r\n");
  EXPECT_EQ(shown.RunStates().back(), RunState::kIdle);
  testing::AlbumCheck check = Check();
  EXPECT_EQ(check.corrupted, 0);
  EXPECT_EQ(check.temporaries, 0);
  EXPECT_EQ(check.recordedWithoutFile, 0);
  EXPECT_LT(check.pictures, kPins);

  ASSERT_TRUE(control.Start());
  EXPECT_FALSE(control.Wait().ended);
  check = Check();
  EXPECT_EQ(check.pictures, kPins);
  EXPECT_EQ(check.recorded.size(), static_cast<size_t>(kPins));
}

}  // namespace
}  // namespace albumdl
