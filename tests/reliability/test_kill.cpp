// albumdl killed with SIGKILL (TerminateProcess on Windows) at twenty points of a download, then
// run again with --skip-downloaded. After every kill: each picture on disk is exactly the one the
// site serves, no id is recorded without its complete picture, and the rerun fetches exactly the
// pictures that are missing and completes the album.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "demo_site.h"
#include "support/album_check.h"
#include "support/albumdl_process.h"
#include "support/temp_dir.h"

namespace albumdl {
namespace {

using testing::AlbumCheck;
using testing::TempDir;

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

constexpr int kPins = 40;
constexpr int kKills = 20;

std::string KeyOf(const std::string& photoId) { return "k" + photoId + ".png"; }

TEST(KillTest, KilledAtTwentyPointsLosesAndCorruptsNothing) {
  demosite::DemoSite site{/*empty=*/true};
  demosite::Board board;
  board.id = "b1";
  board.title = "K";
  std::set<std::string> ids;
  for (int i = 1; i <= kPins; ++i) {
    board.pins.push_back({1000 + i, KeyOf(std::to_string(1000 + i)), "image/png"});
    ids.insert(std::to_string(1000 + i));
  }
  site.AddBoard(board);
  // Each picture takes a little while, so the kills land all along the run.
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 8;
  site.SetFault("/img/", slow);
  std::atomic<int> pictureRequests{0};
  site.SetRequestObserver([&](const demosite::RequestRecord& request) {
    if (request.target.rfind("/img/", 0) == 0) ++pictureRequests;
  });
  site.KeepRequests();
  ASSERT_TRUE(site.Start());
  const auto served = [](const std::string& id) {
    return demosite::DemoSite::PictureBytes(KeyOf(id));
  };

  std::mt19937 random(20261209);
  int killedMidRun = 0;
  for (int kill = 1; kill <= kKills; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    TempDir home, saves, scratch;
    const std::string album = saves.NativeFile(Utf8(u8"K相册_b1"));
    const std::vector<std::string> arguments =
        testing::DownloadArguments(site.SiteHost(), home.Native(), saves.Native(),
                                   {"-q", "--skip-downloaded", site.SiteHost() + "/boards/b1/"});
    const std::string out = scratch.NativeFile("out"), err = scratch.NativeFile("err");

    // The kill point: after kill * 2 - 1 picture requests, plus up to 12 ms,
    // so it falls in a transfer, a write, a rename or a record alike.
    pictureRequests = 0;
    const testing::Child child = testing::StartAlbumdl(arguments, out, err);
    ASSERT_NE(child, testing::kNoChild);
    const int after = kill * 2 - 1;
    for (int waited = 0; pictureRequests < after && waited < 20000; ++waited)
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 12000));
    testing::KillChild(child);
    const testing::ProcessOutcome killed = testing::FinishAlbumdl(child, out, err);
    killedMidRun += killed.status == testing::kKilledStatus;

    const AlbumCheck afterKill = testing::CheckAlbum(album, home.Path(), "b1", ids, served);
    EXPECT_EQ(afterKill.corrupted, 0);
    EXPECT_EQ(afterKill.recordedWithoutFile, 0);

    // The rerun fetches what was not recorded, and nothing else.
    site.ClearRequests();
    const testing::ProcessOutcome rerun =
        testing::FinishAlbumdl(testing::StartAlbumdl(arguments, out, err), out, err);
    EXPECT_EQ(rerun.status, 0) << rerun.err;
    int fetched = 0;
    for (const auto& request : site.Requests()) fetched += request.target.rfind("/img/", 0) == 0;
    EXPECT_EQ(fetched, kPins - static_cast<int>(afterKill.recorded.size()));

    const AlbumCheck afterRerun = testing::CheckAlbum(album, home.Path(), "b1", ids, served);
    EXPECT_EQ(afterRerun.pictures, kPins);
    EXPECT_EQ(afterRerun.corrupted, 0);
    EXPECT_EQ(afterRerun.temporaries, 0) << "the rerun cleared what the kill left";
    EXPECT_EQ(afterRerun.recorded.size(), static_cast<size_t>(kPins));
    std::printf(
        "kill %2d: after %2d picture requests; on disk %2d, recorded %2d, temporaries %d; "
        "rerun fetched %2d\n",
        kill, after, afterKill.pictures, static_cast<int>(afterKill.recorded.size()),
        afterKill.temporaries, fetched);
  }
  EXPECT_GE(killedMidRun, kKills - 2) << "most kills must land while the run is under way";
}

}  // namespace
}  // namespace albumdl
