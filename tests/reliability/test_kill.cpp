// albumdl killed with SIGKILL (TerminateProcess on Windows) at twenty points of a download, then
// run again with --skip-downloaded. After every kill: each picture on disk is exactly the one the
// site serves, no id is recorded without its complete picture, and the rerun fetches exactly the
// pictures that are missing and completes the album. A --sync run over a grown board, killed
// along its new pins, leaves the board's mark where the last complete pass put it; a
// --link-duplicates run killed among linked and fetched pictures damages neither album.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "demo_site.h"
#include "download/duplicate_store.h"
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

// The stand-in site of a kill test. It counts the picture requests and, once
// asked, answers pictures a little late, so that a kill lands in the run.
class KillSite {
 public:
  KillSite() {
    site.SetRequestObserver([this](const demosite::RequestRecord& request) {
      if (request.target.rfind("/img/", 0) == 0) ++pictureRequests_;
    });
    site.KeepRequests();
  }

  // From now on each picture takes 8 ms; the count starts again.
  void SlowPictures() {
    demosite::Fault slow;
    slow.kind = demosite::Fault::Kind::kDelay;
    slow.delayMs = 8;
    site.SetFault("/img/", slow);
    pictureRequests_ = 0;
  }

  // Kills child once `after` pictures were asked for (20 s at most) and up to
  // 12 ms more, so that the kill falls in a transfer, a write, a rename or a
  // record alike; the child's outcome.
  testing::ProcessOutcome KillAfter(const testing::Child& child, int after, std::mt19937& random,
                                    const std::string& out, const std::string& err) {
    for (int waited = 0; pictureRequests_ < after && waited < 20000; ++waited)
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 12000));
    testing::KillChild(child);
    return testing::FinishAlbumdl(child, out, err);
  }

  // Requests kept since the last ClearRequests whose target starts with prefix.
  int RequestsUnder(const std::string& prefix) const {
    int count = 0;
    for (const auto& request : site.Requests()) count += request.target.rfind(prefix, 0) == 0;
    return count;
  }

  demosite::DemoSite site{/*empty=*/true};

 private:
  std::atomic<int> pictureRequests_{0};
};

TEST(KillTest, KilledAtTwentyPointsLosesAndCorruptsNothing) {
  KillSite killSite;
  demosite::DemoSite& site = killSite.site;
  demosite::Board board;
  board.id = "b1";
  board.title = "K";
  std::set<std::string> ids;
  for (int i = 1; i <= kPins; ++i) {
    board.pins.push_back({1000 + i, KeyOf(std::to_string(1000 + i)), "image/png"});
    ids.insert(std::to_string(1000 + i));
  }
  site.AddBoard(board);
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

    // The kill point: after kill * 2 - 1 picture requests, each a little
    // slow, so the kills land all along the run.
    killSite.SlowPictures();
    const testing::Child child = testing::StartAlbumdl(arguments, out, err);
    ASSERT_NE(child, testing::kNoChild);
    const int after = kill * 2 - 1;
    const testing::ProcessOutcome killed = killSite.KillAfter(child, after, random, out, err);
    killedMidRun += killed.status == testing::kKilledStatus;

    const AlbumCheck afterKill = testing::CheckAlbum(album, home.Path(), "b1", ids, served);
    EXPECT_EQ(afterKill.corrupted, 0);
    EXPECT_EQ(afterKill.recordedWithoutFile, 0);

    // The rerun fetches what was not recorded, and nothing else.
    site.ClearRequests();
    const testing::ProcessOutcome rerun =
        testing::FinishAlbumdl(testing::StartAlbumdl(arguments, out, err), out, err);
    EXPECT_EQ(rerun.status, 0) << rerun.err;
    const int fetched = killSite.RequestsUnder("/img/");
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

// A sync run over a board that grew since its last complete pass, killed at
// points along the new pins: the mark of that pass stays where it was, so the
// next sync run pages down to it again, fetches exactly the new pictures the
// kill left unrecorded and leaves every picture of the board on disk; the one
// after that asks for the newest page only.
TEST(KillTest, AKilledSyncRunMovesNoMarkAndTheNextOneFinishesTheBoard) {
  constexpr int kFirstPins = 110, kNewPins = 150, kSyncKills = 5;
  KillSite killSite;
  demosite::DemoSite& site = killSite.site;
  ASSERT_TRUE(site.Start());

  std::mt19937 random(20261210);
  for (int kill = 1; kill <= kSyncKills; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    // A board of its own for each round, newest first. Grown, its new pins
    // fill the newest page and half the second, where the mark lies.
    const std::string boardId = "s" + std::to_string(kill);
    demosite::Board board;
    board.id = boardId;
    board.title = "S";
    std::map<std::string, std::string> keys;  // photo id -> key on the image host
    for (int i = kFirstPins; i >= 1; --i) {
      board.pins.push_back({1000 + i, KeyOf(std::to_string(1000 + i)), "image/png"});
    }
    for (const demosite::Pin& pin : board.pins) keys[std::to_string(pin.pinId)] = pin.key;
    site.AddBoard(board);
    const auto served = [&keys](const std::string& id) {
      const auto key = keys.find(id);
      return key == keys.end() ? std::string() : demosite::DemoSite::PictureBytes(key->second);
    };

    TempDir home, saves, scratch;
    const std::string album = saves.NativeFile(Utf8(u8"S相册_") + boardId);
    const std::vector<std::string> arguments =
        testing::DownloadArguments(site.SiteHost(), home.Native(), saves.Native(),
                                   {"-q", "--sync", site.SiteHost() + "/boards/" + boardId + "/"});
    const std::string out = scratch.NativeFile("out"), err = scratch.NativeFile("err");
    const auto runToTheEnd = [&] {
      site.ClearRequests();
      const testing::ProcessOutcome run =
          testing::FinishAlbumdl(testing::StartAlbumdl(arguments, out, err), out, err);
      EXPECT_EQ(run.status, 0) << run.err;
    };
    const auto syncMark = [&] {
      DuplicateStore store;
      store.Open(home.Path(), boardId);
      return store.SyncMark();
    };

    site.ClearFaults();
    runToTheEnd();  // the first complete pass sets the mark
    ASSERT_EQ(syncMark(), Text(std::to_string(1000 + kFirstPins)));
    for (const demosite::Pin& pin : site.GrowBoard(boardId, kNewPins))
      keys[std::to_string(pin.pinId)] = pin.key;
    std::set<std::string> ids;
    for (const auto& [id, key] : keys) ids.insert(id);

    // Killed along the new pictures, on the first page and the second: after
    // 2, 32, ... 122 picture requests, each a little slow so that the kill
    // lands in the run.
    killSite.SlowPictures();
    const testing::Child child = testing::StartAlbumdl(arguments, out, err);
    ASSERT_NE(child, testing::kNoChild);
    const int after = kill * 30 - 28;
    killSite.KillAfter(child, after, random, out, err);
    const AlbumCheck afterKill = testing::CheckAlbum(album, home.Path(), boardId, ids, served);
    EXPECT_EQ(afterKill.corrupted, 0);
    EXPECT_EQ(afterKill.recordedWithoutFile, 0);
    EXPECT_EQ(syncMark(), Text(std::to_string(1000 + kFirstPins))) << "a killed pass moved it";

    runToTheEnd();
    EXPECT_EQ(killSite.RequestsUnder("/img/"),
              kFirstPins + kNewPins - static_cast<int>(afterKill.recorded.size()));
    const AlbumCheck afterRerun = testing::CheckAlbum(album, home.Path(), boardId, ids, served);
    EXPECT_EQ(afterRerun.pictures, kFirstPins + kNewPins);
    EXPECT_EQ(afterRerun.corrupted, 0);
    EXPECT_EQ(afterRerun.temporaries, 0);
    EXPECT_EQ(afterRerun.recorded.size(), ids.size());
    EXPECT_EQ(syncMark(), Text(std::to_string(1000 + kFirstPins + kNewPins)));

    runToTheEnd();  // up to date: the answer, the newest page, no picture
    EXPECT_EQ(killSite.RequestsUnder("/img/"), 0);
    EXPECT_EQ(killSite.RequestsUnder("/boards/"), 2);
    std::printf("sync kill %d: after %2d picture requests; recorded %2d of %d; rerun fetched %2d\n",
                kill, after, static_cast<int>(afterKill.recorded.size()), kFirstPins + kNewPins,
                kFirstPins + kNewPins - static_cast<int>(afterKill.recorded.size()));
  }
}

// Two boards that share every other picture; the second downloaded with
// --link-duplicates and killed along the way (its own pictures are a little
// slow, the shared ones are linked to the first board's files). The first
// board's files stay whole, the second's on disk are right, and the rerun
// fetches exactly its own pictures the kill left unrecorded (the shared ones
// are linked again, whatever the kill left of them).
TEST(KillTest, AKilledOneCopyRunDamagesNeitherAlbum) {
  constexpr int kPinsEach = 20, kLinkKills = 5;
  KillSite killSite;
  demosite::DemoSite& site = killSite.site;
  ASSERT_TRUE(site.Start());

  std::mt19937 random(20261211);
  for (int kill = 1; kill <= kLinkKills; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    const std::string round = std::to_string(kill), firstId = "a" + round, secondId = "b" + round;
    std::map<std::string, std::string> keys;  // photo id -> key, both boards
    std::set<std::string> firstIds, secondIds, ownIds;
    demosite::Board first, second;
    first.id = firstId;
    first.title = "A";
    second.id = secondId;
    second.title = "B";
    for (int i = kPinsEach; i >= 1; --i) {
      const std::string shared = "shared" + round + "-" + std::to_string(i) + ".png";
      const std::string own = "own" + round + "-" + std::to_string(i) + ".png";
      first.pins.push_back({3000 + i, shared, "image/png"});
      second.pins.push_back({4000 + i, i % 2 ? shared : own, "image/png"});
      keys[std::to_string(3000 + i)] = shared;
      keys[std::to_string(4000 + i)] = i % 2 ? shared : own;
      firstIds.insert(std::to_string(3000 + i));
      secondIds.insert(std::to_string(4000 + i));
      if (i % 2 == 0) ownIds.insert(std::to_string(4000 + i));
    }
    site.AddBoard(first);
    site.AddBoard(second);
    const auto served = [&keys](const std::string& id) {
      const auto key = keys.find(id);
      return key == keys.end() ? std::string() : demosite::DemoSite::PictureBytes(key->second);
    };

    TempDir home, saves, scratch;
    const std::string firstAlbum = saves.NativeFile(Utf8(u8"A相册_") + firstId);
    const std::string secondAlbum = saves.NativeFile(Utf8(u8"B相册_") + secondId);
    const auto arguments = [&](const std::string& boardId) {
      return testing::DownloadArguments(site.SiteHost(), home.Native(), saves.Native(),
                                        {"-q", "--skip-downloaded", "--link-duplicates",
                                         site.SiteHost() + "/boards/" + boardId + "/"});
    };
    const std::string out = scratch.NativeFile("out"), err = scratch.NativeFile("err");
    site.ClearFaults();
    const testing::ProcessOutcome firstRun =
        testing::FinishAlbumdl(testing::StartAlbumdl(arguments(firstId), out, err), out, err);
    ASSERT_EQ(firstRun.status, 0) << firstRun.err;

    // Killed after 1, 3, ... 9 of the second board's own pictures.
    killSite.SlowPictures();
    const testing::Child child = testing::StartAlbumdl(arguments(secondId), out, err);
    ASSERT_NE(child, testing::kNoChild);
    const int after = kill * 2 - 1;
    killSite.KillAfter(child, after, random, out, err);
    const AlbumCheck firstAfterKill =
        testing::CheckAlbum(firstAlbum, home.Path(), firstId, firstIds, served);
    EXPECT_EQ(firstAfterKill.pictures, kPinsEach);
    EXPECT_EQ(firstAfterKill.corrupted, 0);
    const AlbumCheck afterKill =
        testing::CheckAlbum(secondAlbum, home.Path(), secondId, secondIds, served);
    EXPECT_EQ(afterKill.corrupted, 0);
    EXPECT_EQ(afterKill.recordedWithoutFile, 0);

    site.ClearRequests();
    const testing::ProcessOutcome rerun =
        testing::FinishAlbumdl(testing::StartAlbumdl(arguments(secondId), out, err), out, err);
    EXPECT_EQ(rerun.status, 0) << rerun.err;
    // An own picture that was not recorded is fetched again, unless its file
    // was saved whole and put in the one-copy index before the kill: then the
    // index hands the rerun that very file.
    const int fetched = killSite.RequestsUnder("/img/");
    int ownMissing = 0, ownWithoutFile = 0;
    for (const std::string& id : ownIds) {
      if (afterKill.recorded.count(id) != 0) continue;
      ++ownMissing;
      ownWithoutFile += afterKill.onDisk.count(id) == 0;
    }
    EXPECT_GE(fetched, ownWithoutFile);
    EXPECT_LE(fetched, ownMissing);
    const AlbumCheck afterRerun =
        testing::CheckAlbum(secondAlbum, home.Path(), secondId, secondIds, served);
    EXPECT_EQ(afterRerun.pictures, kPinsEach);
    EXPECT_EQ(afterRerun.corrupted, 0);
    EXPECT_EQ(afterRerun.temporaries, 0);
    EXPECT_EQ(afterRerun.recorded.size(), secondIds.size());
    const AlbumCheck firstAtTheEnd =
        testing::CheckAlbum(firstAlbum, home.Path(), firstId, firstIds, served);
    EXPECT_EQ(firstAtTheEnd.pictures, kPinsEach);
    EXPECT_EQ(firstAtTheEnd.corrupted, 0);
    std::printf(
        "one-copy kill %d: after %d picture requests; recorded %2d of %d; rerun fetched %d\n", kill,
        after, static_cast<int>(afterKill.recorded.size()), kPinsEach, fetched);
  }
}

}  // namespace
}  // namespace albumdl
