// Pause, continue and end of a download run on its own thread, against the
// stand-in site on loopback. Pauses are recorded, not waited; the only real
// waits are for the worker to reach a point, and one short look that nothing
// moves while a run is paused.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "demo_site.h"
#include "download/duplicate_store.h"
#include "download/worker_control.h"
#include "platform/files.h"
#include "retrieval/retrieve_albums.h"
#include "session/session.h"
#include "support/recording_pacer.h"
#include "support/recording_window.h"
#include "support/stand_in_site.h"
#include "support/temp_dir.h"
#include "views/captions.h"

namespace albumdl {
namespace {

namespace fs = std::filesystem;
using testing::RecordingPacer;
using testing::RecordingWindow;
using testing::TempDir;

const Text kPaused = "执行了暂停下载功能\r\n";
const Text kContinued = "执行了继续下载功能\r\n";
const Text kEnded = "执行了结束下载\r\n";
const Text kAllDone = "-------全部下载完毕--------\r\n\r\n";

// Records the pauses like a RecordingPacer and notes each time the worker
// comes to one while the run is paused, which is where it then holds.
class WatchingPacer : public Pacer {
 public:
  struct Record {
    std::mutex mutex;
    std::condition_variable changed;
    int heldArrivals = 0;
  };
  WatchingPacer(RunGate& gate, std::shared_ptr<Record> record)
      : gate_(gate), inner_(&gate), record_(std::move(record)) {}
  bool PumpingWait(int ms) override {
    if (gate_.Paused()) {
      std::lock_guard lock(record_->mutex);
      ++record_->heldArrivals;
      record_->changed.notify_all();
    }
    return inner_.PumpingWait(ms);
  }
  bool RealWait(int ms) override { return PumpingWait(ms); }

 private:
  RunGate& gate_;
  RecordingPacer inner_;
  std::shared_ptr<Record> record_;
};

// Polls until the condition holds; false after a generous limit, so a broken
// run fails the test instead of hanging it.
bool Eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 4000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

int Count(const std::vector<Text>& lines, const Text& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// The end command as the window gives it: hold, ask, answer.
bool End(WorkerControl& control, bool ok) { return control.HoldForEnd() && control.AnswerEnd(ok); }

bool Going(const WorkerControl& control) {
  return control.State() == RunState::kRunning || control.State() == RunState::kPaused;
}

using States = std::vector<RunState>;

class WorkerControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site.KeepRequests();
    ASSERT_TRUE(site.Start());
    session.site = testing::StandInSite(site);
    session.programDirectory = home.Path();
    window.Values().SetSaveFolder(saves.Path());
    demosite::Board board;
    board.id = "b1";
    board.title = "b1";
    for (int i = 1; i <= kPins; ++i)
      board.pins.push_back({i, "k" + std::to_string(i) + ".jpg", ""});
    site.AddBoard(board);
    window.AddBoard("T", kPins, "b1");
  }

  // The first picture's transfer takes this long, so a command can be given
  // while it is under way.
  void SlowFirstPicture(int delayMs) {
    demosite::Fault fault;
    fault.kind = demosite::Fault::Kind::kDelay;
    fault.delayMs = delayMs;
    fault.firstN = 1;
    site.SetFault("/img/", fault);
  }

  int PictureRequests() const {
    int count = 0;
    for (const auto& request : site.Requests()) count += request.target.rfind("/img/", 0) == 0;
    return count;
  }

  bool WaitForHold() {
    std::unique_lock lock(record->mutex);
    return record->changed.wait_for(lock, std::chrono::seconds(20),
                                    [this] { return record->heldArrivals > 0; });
  }

  std::vector<std::string> AlbumFiles() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(
             testing::NativeFsPath(platform::NativePathOf(saves.File("T相册_b1")).str()), error)) {
      names.push_back(testing::Utf8Of(entry.path().filename()));
    }
    return names;
  }

  PacerFactory Factory() {
    return [record = record](RunGate& gate) -> std::unique_ptr<Pacer> {
      return std::make_unique<WatchingPacer>(gate, record);
    };
  }

  static constexpr int kPins = 5;
  demosite::DemoSite site{/*empty=*/true};
  TempDir home;
  TempDir saves;
  Session session;
  RecordingWindow window;
  std::shared_ptr<WatchingPacer::Record> record = std::make_shared<WatchingPacer::Record>();
};

TEST_F(WorkerControlTest, RunGoesToItsFinishAndOnlyOneRunAtATime) {
  SlowFirstPicture(500);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  EXPECT_FALSE(control.Pause()) << "nothing to pause";
  EXPECT_FALSE(control.HoldForEnd());
  ASSERT_TRUE(control.Start());
  EXPECT_EQ(control.State(), RunState::kRunning);
  EXPECT_FALSE(control.Start()) << "a run is going";

  const DownloadSummary summary = control.Wait();

  EXPECT_EQ(control.State(), RunState::kIdle);
  EXPECT_FALSE(summary.ended);
  EXPECT_EQ(summary.saved, kPins);
  EXPECT_EQ(window.LogLines().back(), kAllDone);
  EXPECT_EQ(window.RunStates(), (States{RunState::kRunning, RunState::kIdle}));
  EXPECT_EQ(window.Messages(), std::vector<Text>{"信息：|全部下载完毕"});
  ASSERT_EQ(window.Finished().size(), 1u);
  EXPECT_EQ(window.Finished()[0].saved, kPins);
}

TEST_F(WorkerControlTest, PauseLetsTheTransferFinishThenHoldsUntilContinue) {
  SlowFirstPicture(2000);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == 1; }));

  ASSERT_TRUE(control.Pause());
  EXPECT_EQ(control.State(), RunState::kPaused);
  EXPECT_FALSE(control.Pause()) << "already paused";
  ASSERT_TRUE(WaitForHold()) << "the run comes to a hold after its transfer";
  const size_t requestsWhenHeld = site.Requests().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(site.Requests().size(), requestsWhenHeld) << "nothing is asked for while paused";
  EXPECT_EQ(PictureRequests(), 1);

  ASSERT_TRUE(control.Continue());
  EXPECT_FALSE(control.Continue());
  const DownloadSummary summary = control.Wait();

  EXPECT_EQ(summary.saved, kPins);
  EXPECT_EQ(PictureRequests(), kPins) << "the transfer under way was not cut off";
  EXPECT_EQ(AlbumFiles().size(), static_cast<size_t>(kPins));
  const auto log = window.LogLines();
  const auto paused = std::find(log.begin(), log.end(), kPaused);
  const auto continued = std::find(log.begin(), log.end(), kContinued);
  ASSERT_NE(paused, log.end());
  ASSERT_NE(continued, log.end());
  EXPECT_LT(paused, continued);
  EXPECT_EQ(log.back(), kAllDone);
  EXPECT_EQ(window.RunStates(),
            (States{RunState::kRunning, RunState::kPaused, RunState::kRunning, RunState::kIdle}));
}

TEST_F(WorkerControlTest, EndDuringATransferLeavesNoFileNoRecordAndNoFinish) {
  // The site would answer only after a minute: the run ends long before that
  // only if end cuts the transfer short.
  SlowFirstPicture(60000);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == 1; }));

  EXPECT_TRUE(End(control, true));
  EXPECT_FALSE(Going(control));
  auto finished = std::async(std::launch::async, [&] { return control.Wait(); });
  if (finished.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the transfer under way was not cut short";
    site.Stop();  // lets the delayed answer go, so the run can end
  }
  const DownloadSummary summary = finished.get();

  EXPECT_TRUE(summary.ended);
  EXPECT_EQ(summary.saved, 0);
  EXPECT_TRUE(AlbumFiles().empty()) << "no picture and no temporary";
  EXPECT_EQ(PictureRequests(), 1) << "an ended transfer is not tried again";
  EXPECT_FALSE(fs::exists(testing::NativeFsPath(
      platform::NativePathOf(DuplicateStore::RecordFile(home.Path(), "b1")).str() + "-wal")))
      << "the store was closed";
  DuplicateStore store;
  ASSERT_EQ(store.Open(home.Path(), "b1").outcome, StoreOpening::Outcome::kOpened);
  EXPECT_FALSE(store.Contains("1"));

  EXPECT_EQ(window.LogLines().back(), kEnded);
  EXPECT_EQ(window.Log().find(kAllDone), Text::npos);
  EXPECT_TRUE(window.Messages().empty());
  EXPECT_EQ(window.RunStates(), (States{RunState::kRunning, RunState::kEnding, RunState::kIdle}));
  ASSERT_EQ(window.Finished().size(), 1u);
  EXPECT_TRUE(window.Finished()[0].ended);
  const auto captions = window.PictureCaptions();
  EXPECT_EQ(Count(captions, "下载完成"), 0);
}

TEST_F(WorkerControlTest, EndWhilePausedEndsWithoutGoingOn) {
  SlowFirstPicture(300);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == 1; }));
  ASSERT_TRUE(control.Pause());
  ASSERT_TRUE(WaitForHold());

  EXPECT_TRUE(End(control, true));
  const DownloadSummary summary = control.Wait();

  EXPECT_TRUE(summary.ended);
  EXPECT_EQ(PictureRequests(), 1);
  // The picture that came was saved inside the pause after it, where the run
  // held: it is there whole and recorded, and nothing after it.
  EXPECT_EQ(AlbumFiles(), std::vector<std::string>{"1_1.jpg"});
  DuplicateStore store;
  store.Open(home.Path(), "b1");
  EXPECT_TRUE(store.Contains("1"));
  const auto log = window.LogLines();
  EXPECT_EQ(Count(log, kPaused), 1);
  EXPECT_EQ(log.back(), kEnded);
  EXPECT_EQ(window.RunStates(),
            (States{RunState::kRunning, RunState::kPaused, RunState::kEnding, RunState::kIdle}));
}

TEST_F(WorkerControlTest, EndAnsweredCancelLetsTheRunGoOn) {
  SlowFirstPicture(300);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == 1; }));

  EXPECT_FALSE(End(control, false));
  EXPECT_EQ(control.State(), RunState::kRunning);
  const DownloadSummary summary = control.Wait();

  EXPECT_FALSE(summary.ended);
  EXPECT_EQ(summary.saved, kPins);
  EXPECT_EQ(window.Log().find(kEnded), Text::npos);
  EXPECT_EQ(window.Messages(), (std::vector<Text>{"信息：|全部下载完毕"}));
  EXPECT_EQ(window.RunStates(), (States{RunState::kRunning, RunState::kIdle}));
}

TEST_F(WorkerControlTest, PauseThenEndAnsweredCancelStaysPaused) {
  SlowFirstPicture(300);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == 1; }));
  ASSERT_TRUE(control.Pause());
  ASSERT_TRUE(WaitForHold());

  EXPECT_FALSE(End(control, false));
  EXPECT_EQ(control.State(), RunState::kPaused);
  const size_t requestsWhenHeld = site.Requests().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(site.Requests().size(), requestsWhenHeld) << "still held after Cancel";

  ASSERT_TRUE(control.Continue());
  const DownloadSummary summary = control.Wait();
  EXPECT_EQ(summary.saved, kPins);
  EXPECT_EQ(window.LogLines().back(), kAllDone);
}

TEST_F(WorkerControlTest, NewRunAfterAnEndedOneAndEndedAfterAFinishedOne) {
  SlowFirstPicture(5000);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == 1; }));
  ASSERT_TRUE(End(control, true));
  EXPECT_EQ(control.State(), RunState::kEnding);
  EXPECT_FALSE(control.Start()) << "the ended run is still on its way out";
  ASSERT_TRUE(Eventually([&] { return control.State() == RunState::kIdle; }));

  ASSERT_TRUE(control.Start()) << "the ended run is out of the way";
  const DownloadSummary summary = control.Wait();

  EXPECT_FALSE(summary.ended);
  EXPECT_EQ(summary.saved, kPins);
  EXPECT_EQ(AlbumFiles().size(), static_cast<size_t>(kPins));
  const auto log = window.LogLines();
  EXPECT_EQ(Count(log, kEnded), 1);
  EXPECT_EQ(Count(log, kAllDone), 1);
  EXPECT_EQ(window.RunStates(), (States{RunState::kRunning, RunState::kEnding, RunState::kIdle,
                                        RunState::kRunning, RunState::kIdle}));

  // The gate the runs share forgets the finish: the next run can be ended.
  SlowFirstPicture(5000);
  const int before = PictureRequests();
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == before + 1; }));
  ASSERT_TRUE(End(control, true));
  EXPECT_TRUE(control.Wait().ended);
}

TEST_F(WorkerControlTest, EndNowEndsWithoutAsking) {
  SlowFirstPicture(5000);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == 1; }));
  EXPECT_TRUE(control.EndNow());
  EXPECT_FALSE(control.EndNow()) << "already ended";
  EXPECT_TRUE(control.Wait().ended);
  EXPECT_TRUE(window.Messages().empty());
  EXPECT_EQ(window.LogLines().back(), kEnded);
}

TEST_F(WorkerControlTest, ClosingWithARunGoingEndsItQuietly) {
  SlowFirstPicture(5000);
  {
    WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
    ASSERT_TRUE(control.Start());
    ASSERT_TRUE(Eventually([&] { return PictureRequests() == 1; }));
  }
  EXPECT_TRUE(AlbumFiles().empty());
  EXPECT_EQ(window.Log().find(kAllDone), Text::npos);
}

// "1：获取相册" stays usable while a run goes on, and both feed the session's
// jar: the retrieval on this thread, every picture on the worker. Neither may
// see the other's cookies half-written (a race a thread sanitizer reports),
// and the viewer's cookies are still sent after both.
TEST_F(WorkerControlTest, RetrievalDuringARunSharesTheSessionCookiesSafely) {
  RecordingWindow retrieval;
  const Text input = session.site.siteHost + "/boards/b1/";
  session.cookies.Put(testing::ViewerCookie(site, "viewer", "1"));
  session.cookies.Put(testing::ViewerCookie(site, "theme", "dark"));
  RunGate retrievalGate;
  RecordingPacer retrievalPacer{&retrievalGate};
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  int retrievals = 0;
  while (Going(control) || retrievals == 0) {
    RetrieveAlbums(retrieval, retrieval.Values(), retrieval.Albums(), session, retrievalGate,
                   retrievalPacer, input);
    ++retrievals;
  }
  const DownloadSummary summary = control.Wait();

  EXPECT_EQ(summary.saved, kPins);
  EXPECT_EQ(retrieval.Albums().RowCount(), 1);
  const Text cookies = session.cookies.CookieLineFor(input);
  EXPECT_EQ(cookies.rfind("viewer=1; theme=dark; ", 0), 0u) << cookies;
  for (const Text& item : TextSplit(cookies, "; ")) {
    EXPECT_GT(TextFind(item, "="), 1) << cookies;
  }
}

// A page that arrives after pause starts no picture: no request, no caption,
// until continue.
TEST_F(WorkerControlTest, PageArrivingAfterPauseStartsNothingUntilContinue) {
  demosite::Fault slowPage;
  slowPage.kind = demosite::Fault::Kind::kDelay;
  slowPage.delayMs = 600;
  slowPage.firstN = 1;
  site.SetFault("/boards/b1/", slowPage);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return !site.Requests().empty(); }));
  ASSERT_TRUE(control.Pause());
  const size_t captionsAtPause = window.PictureCaptions().size();

  std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // the page is in by now
  EXPECT_EQ(PictureRequests(), 0);
  EXPECT_EQ(window.PictureCaptions().size(), captionsAtPause) << "no caption moved while paused";

  ASSERT_TRUE(control.Continue());
  EXPECT_EQ(control.Wait().saved, kPins);
}

// While the end question is open the run is held; Cancel lets it go on.
TEST_F(WorkerControlTest, OpenEndQuestionHoldsTheRun) {
  SlowFirstPicture(300);
  WorkerControl control(window, window.Values(), window.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  ASSERT_TRUE(Eventually([&] { return PictureRequests() == 1; }));
  ASSERT_TRUE(control.HoldForEnd());
  EXPECT_FALSE(control.HoldForEnd()) << "one question at a time";
  EXPECT_FALSE(control.Pause()) << "the question is open";
  const size_t captionsAtQuestion = window.PictureCaptions().size();

  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_EQ(PictureRequests(), 1);
  EXPECT_EQ(window.PictureCaptions().size(), captionsAtQuestion);
  EXPECT_EQ(control.State(), RunState::kRunning) << "the buttons stay as they were";

  EXPECT_FALSE(control.AnswerEnd(false));
  EXPECT_EQ(control.Wait().saved, kPins);
  EXPECT_EQ(window.Log().find(kEnded), Text::npos);
}

// An end given in the very instant a run finishes: the run either finished or
// was ended, and says exactly one of the two.
TEST_F(WorkerControlTest, EndAtTheFinishGivesTheEndOrTheFinishNeverBoth) {
  std::mt19937 random(12345);
  int ended = 0;
  for (int round = 0; round < 40; ++round) {
    RecordingWindow shown;
    shown.Values().SetSaveFolder(saves.Path());
    shown.Albums().AppendRow(window.Albums().Rows()[0]);
    WorkerControl control(shown, shown.Values(), shown.Albums(), session, RealPacers(0));
    ASSERT_TRUE(control.Start());
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    control.EndNow();
    const DownloadSummary summary = control.Wait();
    const auto log = shown.LogLines();
    EXPECT_EQ(Count(log, kEnded) + Count(log, kAllDone), 1) << "round " << round;
    EXPECT_EQ(summary.ended, Count(log, kEnded) == 1);
    EXPECT_EQ(shown.RunStates().back(), RunState::kIdle);
    ended += summary.ended;
  }
  EXPECT_GT(ended, 0) << "the end never came first: the test shows nothing";
}

// Nothing the run throws ends the program: the run ends with a line in the log
// and the next run starts.
class ThrowingWindow : public RecordingWindow {
 public:
  std::atomic<bool> armed{true};
  void Tell(const EngineEvent& event) override {
    const auto* report = std::get_if<RunProgressReport>(&event);
    if (report && report->progress.picture == 2 && armed.exchange(false))
      throw std::runtime_error("out of luck");
    RecordingWindow::Tell(event);
  }
};

TEST_F(WorkerControlTest, AFaultInTheRunEndsItCleanlyAndTheNextRunStarts) {
  ThrowingWindow shown;
  shown.Values().SetSaveFolder(saves.Path());
  shown.Albums().AppendRow(window.Albums().Rows()[0]);
  WorkerControl control(shown, shown.Values(), shown.Albums(), session, Factory());
  ASSERT_TRUE(control.Start());
  const DownloadSummary summary = control.Wait();
  EXPECT_TRUE(summary.ended);
  EXPECT_EQ(shown.LogLines().back(), "下载出错，本次下载已结束：out of luck\r\n");
  EXPECT_EQ(shown.RunStates().back(), RunState::kIdle);
  EXPECT_EQ(AlbumFiles().size(), 1u) << "the first picture is whole, nothing else is there";
  DuplicateStore store;
  store.Open(home.Path(), "b1");
  EXPECT_TRUE(store.Contains("1"));
  EXPECT_FALSE(store.Contains("2"));

  ASSERT_TRUE(control.Start());
  EXPECT_EQ(control.Wait().saved, kPins);
}

}  // namespace
}  // namespace albumdl
