// The fault matrix: albumdl, the real program, against the stand-in site with
// one fault at a time on one route (board answers, board pages, search answers,
// search pages, pictures). After every run, however it went: every picture on
// disk is byte for byte what the site serves, every recorded id has its
// complete picture, no temporary is left, and the exit status says whether
// something failed. A rerun without the fault and with --skip-downloaded then
// fetches exactly what is missing and completes both albums. The table it
// prints: fault, route, expected, saved, failed, lost (0), corrupted (0).
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "demo_site.h"
#include "platform/environment.h"
#include "support/album_check.h"
#include "support/albumdl_process.h"
#include "support/temp_dir.h"

namespace albumdl {
namespace {

using demosite::Fault;
using testing::AlbumCheck;
using testing::TempDir;

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

constexpr int kPins = 6;  // in each of the two albums

struct Route {
  const char* name;
  const char* prefix;
  int skipFirst;  // the answer goes through when only the pages should fail
  bool isAnswer;  // the album list's request
  bool isPicture;
};

const Route kRoutes[] = {
    {"board answer", "/boards/b1/", 0, true, false},
    {"board pages", "/boards/b1/", 1, false, false},
    {"search answer", "/search/", 0, true, false},
    {"search pages", "/search/", 1, false, false},
    {"pictures", "/img/", 0, false, true},
};

struct FaultCase {
  const char* name;
  Fault fault;
  bool transient;  // gone after a few requests: an album download gets over it
  bool pictureOnly = false;
  bool pageOnly = false;
  bool harmless = false;  // no fault at all for a careful client: everything is saved
};

Fault Make(Fault::Kind kind, int firstN = -1) {
  Fault fault;
  fault.kind = kind;
  fault.firstN = firstN;
  return fault;
}

Fault Status(int status, int firstN = -1, int retryAfter = -1) {
  Fault fault = Make(Fault::Kind::kStatus, firstN);
  fault.status = status;
  fault.retryAfter = retryAfter;
  return fault;
}

std::vector<FaultCase> FaultCases() {
  std::vector<FaultCase> cases = {
      {"status 500 twice", Status(500, 2), true},
      {"status 503 always", Status(503), false},
      {"status 404", Status(404), false},
      {"status 403", Status(403), false},
      {"status 429, retry after 1 s", Status(429, 1, 1), true},
      {"reset twice", Make(Fault::Kind::kReset, 2), true},
      {"reset always", Make(Fault::Kind::kReset), false},
      {"truncated once", Make(Fault::Kind::kTruncate, 1), true},
      {"empty body once", Make(Fault::Kind::kEmptyBody, 1), true},
      {"delayed 100 ms",
       [] {
         Fault fault = Make(Fault::Kind::kDelay);
         fault.delayMs = 100;
         return fault;
       }(),
       true, false, false, true},
  };
  for (auto [name, coding] : {std::pair{"gzip nobody asked for", Fault::Coding::kGzip},
                              std::pair{"deflate nobody asked for", Fault::Coding::kDeflate}}) {
    Fault compress = Make(Fault::Kind::kCompress);
    compress.coding = coding;
    cases.push_back({name, compress, true, false, false, true});
  }
  FaultCase badJson{"bad JSON once", Make(Fault::Kind::kBadJson, 1), true};
  badJson.pageOnly = true;
  cases.push_back(badJson);
  for (auto [name, imposter] : {std::pair{"JSON as a picture, once", Fault::Imposter::kJson},
                                std::pair{"text as a picture, once", Fault::Imposter::kText},
                                std::pair{"HTML as a picture, always", Fault::Imposter::kHtml}}) {
    Fault fault = Make(Fault::Kind::kNotPicture, imposter == Fault::Imposter::kHtml ? -1 : 1);
    fault.imposter = imposter;
    FaultCase notPicture{name, fault, imposter != Fault::Imposter::kHtml};
    notPicture.pictureOnly = true;
    cases.push_back(notPicture);
  }
  Fault huge = Make(Fault::Kind::kHuge, 1);
  huge.hugeMegabytes = 300;  // over the 256 MB a picture may have
  FaultCase hugeCase{"300 MB picture, once", huge, false};
  hugeCase.pictureOnly = true;
  cases.push_back(hugeCase);
  Fault endless = huge;
  endless.hugeLength = false;
  FaultCase endlessCase{"300 MB without length, once", endless, false};
  endlessCase.pictureOnly = true;
  cases.push_back(endlessCase);
  // Connection: close, no length, half the picture: only its own end tells.
  FaultCase closeCut{"cut without length, once", Make(Fault::Kind::kCut, 1), true};
  closeCut.pictureOnly = true;
  cases.push_back(closeCut);
  return cases;
}

class FaultMatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RemoveEnvironmentValue("ALBUMDL_HOME");
    platform::RemoveEnvironmentValue("ALBUMDL_PACE");
    demosite::Board board;
    board.id = "b1";
    board.title = "B";
    demosite::Search search;
    search.keyword = "cat";
    search.text = "cat";
    for (int i = 1; i <= kPins; ++i) {
      board.pins.push_back({100 + i, "b" + std::to_string(100 + i) + ".png", "image/png"});
      search.pins.push_back({200 + i, "c" + std::to_string(200 + i) + ".jpg", "image/jpeg"});
      boardIds.insert(std::to_string(100 + i));
      searchIds.insert(std::to_string(200 + i));
    }
    site.AddBoard(board);
    site.AddSearch(search);
    site.KeepRequests();
    ASSERT_TRUE(site.Start());
  }

  testing::ProcessOutcome Albumdl(const TempDir& home, const TempDir& saves, bool skip) {
    std::vector<std::string> arguments = testing::DownloadArguments(
        site.SiteHost(), home.Native(), saves.Native(),
        {"-q", site.SiteHost() + "/boards/b1/", site.SiteHost() + "/search/?q=cat"});
    if (skip) arguments.push_back("--skip-downloaded");
    const std::string out = scratch.NativeFile("out"), err = scratch.NativeFile("err");
    return testing::FinishAlbumdl(testing::StartAlbumdl(arguments, out, err), out, err);
  }

  // Both albums as they stand now.
  std::pair<AlbumCheck, AlbumCheck> Check(const TempDir& home, const TempDir& saves) const {
    const auto served = [](const char* prefix, const char* extension) {
      return [prefix, extension](const std::string& id) {
        return demosite::DemoSite::PictureBytes(prefix + id + extension);
      };
    };
    return {testing::CheckAlbum(saves.NativeFile(Utf8(u8"B相册_b1")), home.Path(), "b1", boardIds,
                                served("b", ".png")),
            testing::CheckAlbum(saves.NativeFile("cat_"), home.Path(), "关键词_cat", searchIds,
                                served("c", ".jpg"))};
  }

  int PictureRequests() const {
    int count = 0;
    for (const auto& request : site.Requests()) count += request.target.rfind("/img/", 0) == 0;
    return count;
  }

  demosite::DemoSite site{/*empty=*/true};
  TempDir scratch;
  std::set<std::string> boardIds, searchIds;
};

TEST_F(FaultMatrix, NothingIsLostOrCorruptedAndTheExitStatusTellsTheTruth) {
  std::printf("%-30s %-14s %-9s %5s %5s %6s %5s %9s\n", "fault", "route", "expected", "exit",
              "saved", "failed", "lost", "corrupted");
  int rows = 0;
  for (const FaultCase& fault : FaultCases()) {
    for (const Route& route : kRoutes) {
      if ((fault.pictureOnly && !route.isPicture) || (fault.pageOnly && route.isPicture)) continue;
      SCOPED_TRACE(std::string(fault.name) + " on " + route.name);
      ++rows;
      TempDir home, saves;
      Fault applied = fault.fault;
      applied.skipFirst = route.skipFirst;
      site.ClearFaults();
      site.ClearRequests();
      site.SetFault(route.prefix, applied);

      // Album answers are asked for as pages are: a fault that passes is got
      // over on every route; one that stays leaves something out, and the
      // run must say so.
      const int expected = fault.harmless || fault.transient ? 0 : 1;
      const testing::ProcessOutcome run = Albumdl(home, saves, false);
      const auto [board, search] = Check(home, saves);
      const int saved = board.pictures + search.pictures;
      const int lost = board.recordedWithoutFile + search.recordedWithoutFile;
      const int corrupted = board.corrupted + search.corrupted;
      std::printf("%-30s %-14s %-9s %5d %5d %6d %5d %9d\n", fault.name, route.name,
                  expected == 0 ? "all" : "failure", run.status, saved, 2 * kPins - saved, lost,
                  corrupted);
      EXPECT_EQ(run.status, expected) << run.err;
      EXPECT_EQ(lost, 0);
      EXPECT_EQ(corrupted, 0);
      EXPECT_EQ(board.temporaries + search.temporaries, 0);
      if (expected == 0) {
        EXPECT_EQ(saved, 2 * kPins);
      }

      // Without the fault: exactly the missing pictures are fetched.
      site.ClearFaults();
      site.ClearRequests();
      const int recorded = static_cast<int>(board.recorded.size() + search.recorded.size());
      const testing::ProcessOutcome rerun = Albumdl(home, saves, true);
      EXPECT_EQ(rerun.status, 0) << rerun.err;
      EXPECT_EQ(PictureRequests(), 2 * kPins - recorded);
      const auto [boardAfter, searchAfter] = Check(home, saves);
      EXPECT_EQ(boardAfter.pictures + searchAfter.pictures, 2 * kPins);
      EXPECT_EQ(boardAfter.corrupted + searchAfter.corrupted, 0);
      EXPECT_EQ(boardAfter.recorded.size() + searchAfter.recorded.size(),
                static_cast<size_t>(2 * kPins));
    }
  }
  std::printf("%d rows\n", rows);
}

}  // namespace
}  // namespace albumdl
