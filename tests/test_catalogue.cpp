// The album catalogue: the list and its two selection commands, and the album
// retrieval against the stand-in site on loopback. Literals here are code page
// 936, as every text inside the program; u8"..." is what the site speaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "demo_data.h"
#include "demo_site.h"
#include "model/album_list.h"
#include "net/http_result.h"
#include "platform/files.h"
#include "retrieval/retrieval_control.h"
#include "retrieval/retrieve_albums.h"
#include "session/session.h"
#include "site/album_answers.h"
#include "support/recording_pacer.h"
#include "support/recording_window.h"
#include "support/stand_in_site.h"
#include "support/temp_dir.h"
#include "views/captions.h"

namespace albumdl {
namespace {

using testing::RecordingPacer;
using testing::RecordingWindow;
using testing::TempDir;

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// Albums with the ticks given.
void FillRows(AlbumList& list, const std::vector<bool>& checked) {
  list.ClearRows();
  for (bool mark : checked) {
    Album album;
    album.ticked = mark;
    list.AppendRow(album);
  }
}

// The name=value items of a cookie text, in whatever order and spacing.
std::set<std::string> CookieItems(const std::string& cookies) {
  std::set<std::string> items;
  for (Text item : TextSplit(TextRemoveBlanks(cookies), ";"))
    if (!item.empty()) items.insert(item);
  return items;
}

std::vector<bool> Marks(const AlbumList& list) {
  std::vector<bool> marks;
  for (const Album& album : list.Rows()) marks.push_back(album.ticked);
  return marks;
}

// ---------------------------------------------------------------------------
// The list

TEST(AlbumList, AlbumsAreNumberedInTheirOrderAndOutOfRangeRowsAreLeftAlone) {
  AlbumList list;
  Album album;
  album.serial = 7;  // the list numbers them itself
  EXPECT_EQ(list.AppendRow(album), 0);
  EXPECT_EQ(list.AppendRow(album), 1);
  EXPECT_EQ(list.Rows()[1].serial, 2);
  EXPECT_FALSE(list.IsChecked(1));
  EXPECT_FALSE(list.IsChecked(5));
  EXPECT_FALSE(list.IsChecked(-1));
  list.SetChecked(5, true);  // no such row: nothing happens
  EXPECT_EQ(list.RowCount(), 2);
  list.ClearRows();
  EXPECT_EQ(list.AppendRow(album), 0);
  EXPECT_EQ(list.Rows()[0].serial, 1) << "a new list counts from 1 again";
}

// A view keeps its own copy of the rows on its own thread and follows the
// list by its announcements alone. However two threads interleave their
// changes, the copy ends equal to the list.
TEST(AlbumList, AViewFollowingTheAnnouncementsEndsEqualToTheList) {
  AlbumList list;
  std::vector<Album> mirror;
  std::vector<AlbumListChange::Kind> kinds;
  list.SetObserver([&](const AlbumListChange& change) {
    kinds.push_back(change.kind);
    switch (change.kind) {
      case AlbumListChange::Kind::kCleared:
        mirror.clear();
        break;
      case AlbumListChange::Kind::kRowAppended:
        ASSERT_EQ(change.row, static_cast<int>(mirror.size()));
        mirror.push_back(change.album);
        break;
      case AlbumListChange::Kind::kRowChanged:
        ASSERT_LT(change.row, static_cast<int>(mirror.size()));
        mirror[change.row] = change.album;
        break;
    }
  });
  Album first;
  first.title = "相册";
  list.AppendRow(first);
  ASSERT_EQ(kinds, std::vector<AlbumListChange::Kind>{AlbumListChange::Kind::kRowAppended})
      << "a whole row is announced once";

  std::thread filler([&] {
    for (int i = 0; i < 300; ++i) {
      Album more;
      more.title = std::to_string(i);
      more.ticked = i % 2 == 0;
      list.AppendRow(more);
    }
  });
  for (int i = 0; i < 300; ++i) list.SetChecked(i % (list.RowCount()), i % 3 == 0);
  filler.join();
  bool invert = false;
  SelectAll(list, true, invert);

  const std::vector<Album> rows = list.Rows();
  ASSERT_EQ(mirror.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(mirror[i].ticked, rows[i].ticked) << i;
    EXPECT_EQ(mirror[i].serial, rows[i].serial) << i;
    EXPECT_EQ(mirror[i].title, rows[i].title) << i;
  }
  kinds.clear();
  list.SetChecked(0, true);  // already ticked: nothing to announce
  EXPECT_TRUE(kinds.empty());
  list.ClearRows();
  EXPECT_TRUE(mirror.empty());
}

TEST(SelectAll, OnAnEmptyListOnlyUnticksInvert) {
  AlbumList list;
  bool invert = true;
  SelectAll(list, true, invert);
  EXPECT_FALSE(invert);
  EXPECT_EQ(list.RowCount(), 0);
}

TEST(SelectAll, TicksEveryRowAndUntickingTheBoxLeavesThemTicked) {
  AlbumList list;
  FillRows(list, {false, true, false});
  bool invert = true;
  SelectAll(list, true, invert);
  EXPECT_EQ(Marks(list), (std::vector<bool>{true, true, true}));
  EXPECT_FALSE(invert);

  list.SetChecked(0, false);
  invert = true;
  SelectAll(list, false, invert);  // the click that unticks 全选
  EXPECT_EQ(Marks(list), (std::vector<bool>{false, true, true}));
  EXPECT_TRUE(invert);
}

TEST(InvertSelection, FlipsEveryRowAndUnticksSelectAll) {
  AlbumList list;
  FillRows(list, {false, true, false});
  bool selectAll = true;
  InvertSelection(list, true, selectAll);
  EXPECT_EQ(Marks(list), (std::vector<bool>{true, false, true}));
  EXPECT_FALSE(selectAll);
  InvertSelection(list, true, selectAll);  // an unticked 全选 stays unticked
  EXPECT_FALSE(selectAll);
}

TEST(InvertSelection, ClickedThreeTimesInvertsOnTheFirstAndThird) {
  AlbumList list;
  FillRows(list, {true, false});
  bool invertBox = false;
  bool selectAll = false;
  std::vector<std::vector<bool>> afterClick;
  for (int click = 1; click <= 3; ++click) {
    invertBox = !invertBox;
    InvertSelection(list, invertBox, selectAll);
    afterClick.push_back(Marks(list));
  }
  EXPECT_EQ(afterClick,
            (std::vector<std::vector<bool>>{{false, true}, {false, true}, {true, false}}));
}

// ---------------------------------------------------------------------------
// Album answers, read with the JSON reader

FetchedPage Answer(const std::string& utf8) {
  FetchedPage page;
  page.body = utf8;
  page.json = JsonValue::Parse(utf8);
  return page;
}

// Every valid spelling of one answer gives the same album; the text markers
// the answers were once cut with gave a different one for each of these.
TEST(AlbumAnswers, EverySpellingOfABoardAnswerGivesTheSameAlbum) {
  const std::string canonical = R"({"board":{"board_id":"b","title":"tour","pin_count":250}})";
  for (
      const std::string& spelling : {
          canonical,
          std::string(R"({"board":{"title":"tour","board_id":"b","pin_count":250}})"),
          std::string(
              "{\n  \"board\": {\n    \"title\": \"tour\",\n    \"pin_count\": 250\n  }\n}"),
          std::string(R"({"board":{"title":"t\u006fur","pin_count":250}})"),
          std::string(R"({"board":{"title":"to\/ur","pin_count":250}})"),
          std::string(
              R"({"board":{"user":{"title":"owner","pin_count":1},"title":"tour","pin_count":250}})"),
          std::string(R"({"title":"tour","pin_count":250.0})"),
      }) {
    SCOPED_TRACE(spelling);
    Album album;
    ReadBoardAnswer(Answer(spelling), album);
    EXPECT_FALSE(album.failed) << album.failure;
    EXPECT_EQ(album.title, "tour");
    EXPECT_EQ(album.pictureCount, 250);
  }
}

TEST(AlbumAnswers, TitlesKeepTheirEscapedCharacters) {
  Album quoted;
  ReadBoardAnswer(Answer(R"({"board":{"title":"say \"hi\" there","pin_count":1}})"), quoted);
  EXPECT_EQ(quoted.title, "say\"hi\"there") << "only what a folder name cannot hold goes";
  Album controls;
  ReadBoardAnswer(Answer(R"({"board":{"title":"a\u0007b\u001b[2Jc\td","pin_count":1}})"), controls);
  EXPECT_EQ(controls.title, "ab[2Jcd") << "no control character reaches a log line or a name";
  Album chinese;
  ReadSearchAnswer(Answer(R"({"query":{"text":"\u65c5\u884c","total":3},"pins":[]})"), chinese);
  EXPECT_EQ(chinese.title, "旅行");
  EXPECT_EQ(chinese.pictureCount, 3);
}

TEST(AlbumAnswers, ASearchAnswerWithBlanksGivesItsKeyword) {
  Album album;
  ReadSearchAnswer(
      Answer("{ \"query\" : { \"text\" : \"cat\" , \"total\" : 150 } , \"pins\" : [ ] }"), album);
  EXPECT_FALSE(album.failed);
  EXPECT_EQ(album.title, "cat");
  EXPECT_EQ(album.pictureCount, 150);
}

// An answer without its count, or with one that is no count, is a failed
// album with the reason; a count beyond every number is the largest one.
TEST(AlbumAnswers, AnswersWithoutAUsableCountFail) {
  for (const std::string& answer :
       {std::string(R"({"board":{"title":"t"}})"),
        std::string(R"({"board":{"title":"t","pin_count":-3}})"),
        std::string(R"({"board":{"title":"t","pin_count":"many"}})"),
        std::string(R"({"board":{"title":"t","pin_count":2.5}})"),
        R"({"board":{"title":"t","pin_count":-)" + std::string(400, '9') + "}}",
        std::string("[1,2]")}) {
    SCOPED_TRACE(answer);
    Album album;
    ReadBoardAnswer(Answer(answer), album);
    EXPECT_TRUE(album.failed);
    EXPECT_EQ(album.failure, "网站的回答里没有图片数量");
  }
  for (const std::string& count : {std::string(400, '9'), std::string("18446744073709551615"),
                                   std::string("\"99999999999999999999\"")}) {
    Album huge;
    ReadBoardAnswer(Answer(R"({"board":{"title":"t","pin_count":)" + count + "}}"), huge);
    EXPECT_FALSE(huge.failed) << count;
    EXPECT_EQ(huge.pictureCount, LLONG_MAX) << count;
  }
  Album text;
  ReadBoardAnswer(Answer(R"({"board":{"title":"t","pin_count":"42"}})"), text);
  EXPECT_EQ(text.pictureCount, 42);
  // What only looks like a number, however large, leaves the answer unread.
  for (const char* count : {"1.e999", "01e999", "1e999-", "+1e999"}) {
    Album malformed;
    ReadBoardAnswer(Answer(R"({"board":{"title":"t","pin_count":)" + std::string(count) + "}}"),
                    malformed);
    EXPECT_TRUE(malformed.failed) << count;
  }

  // A search answer without its words fails for that, and only then: an
  // answer that failed, or lacks its count, keeps its own reason.
  Album noWords;
  ReadSearchAnswer(Answer(R"({"query":{"total":3}})"), noWords);
  EXPECT_TRUE(noWords.failed);
  EXPECT_EQ(noWords.failure, "网站的回答里没有搜索词");
  Album noCount;
  ReadSearchAnswer(Answer(R"({"query":{}})"), noCount);
  EXPECT_EQ(noCount.failure, "网站的回答里没有图片数量");
  FetchedPage lost;
  lost.failed = true;
  lost.reason = "连接超时";
  Album failed;
  ReadSearchAnswer(lost, failed);
  EXPECT_EQ(failed.failure, "连接超时");
}

// ---------------------------------------------------------------------------
// Retrieval against the stand-in site

class RetrieveAlbumsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site.KeepRequests();
    ASSERT_TRUE(site.Start(0));
    session.site = testing::StandInSite(site);
    session.programDirectory = home.Path();
  }

  Text Board(const Text& id) const { return session.site.siteHost + "/boards/" + id + "/"; }
  Text SearchFor(const Text& keyword) const {
    return session.site.siteHost + "/search/?q=" + keyword;
  }

  void Retrieve(const Text& input) { RetrieveWith(pacer, input); }
  void RetrieveWith(RecordingPacer& pacing, const Text& input) {
    RetrieveAlbums(window, window.Values(), window.Albums(), session, gate, pacing, input);
  }

  // Every album as serial|title|count|id|mark, the count as the list shows it.
  std::vector<Text> RowTexts() {
    std::vector<Text> texts;
    for (const Album& album : window.Albums().Rows()) {
      texts.push_back(std::to_string(album.serial) + "|" + album.title + "|" + CountCaption(album) +
                      "|" + album.id + "|" + (album.ticked ? "x" : "-"));
    }
    return texts;
  }

  std::vector<std::string> RequestTargets() const {
    std::vector<std::string> targets;
    for (const auto& request : site.Requests()) targets.push_back(request.target);
    return targets;
  }

  demosite::DemoSite site;
  TempDir home;
  Session session;
  RunGate gate;
  RecordingPacer pacer{&gate};
  RecordingWindow window;
};

TEST_F(RetrieveAlbumsTest, EmptyInputAsksForAnAddressAndTouchesNothing) {
  window.Albums().AppendRow(Album{});
  Retrieve("");
  EXPECT_EQ(window.Messages(), (std::vector<Text>{"信息：|请输入网址"}));
  EXPECT_EQ(window.currentPage(), 0);
  EXPECT_EQ(window.Log(), "");
  EXPECT_EQ(window.Albums().RowCount(), 1);
  EXPECT_TRUE(site.Requests().empty());
}

TEST_F(RetrieveAlbumsTest, OnlyBlanksClearTheListAndReportNoAlbums) {
  window.Albums().AppendRow(Album{});
  Retrieve("   ");
  EXPECT_TRUE(window.Messages().empty());
  EXPECT_EQ(window.Albums().RowCount(), 0);
  EXPECT_EQ(window.LogLines(), (std::vector<Text>{"正努力获取相册列表，耐心等待哈！\r\n\r\n",
                                                  "-----获取完毕,共计0个\r\n\r\n"}));
  EXPECT_EQ(window.StatusCaptions(),
            (std::vector<Text>{"温馨提示：正在获取相册列表...", "群相册获取中，耐心等待...",
                               "相册获取完毕，共计：0个,相册内没有图片的，这里不显示！",
                               "温馨提示：相册列表获取完毕,共计0个"}));
  EXPECT_FALSE(window.busyBoardShown());
  EXPECT_TRUE(site.Requests().empty());
  EXPECT_TRUE(pacer.Pauses().empty());
}

TEST_F(RetrieveAlbumsTest, BoardLineWithoutTheSlashAfterTheIdIsRefusedByLineNumber) {
  // Line numbers count every line, the empty one included.
  Retrieve(Board(demosite::kTravelBoardId) + "\r\n\r\n" + session.site.siteHost + "/boards/" +
           demosite::kFlowersBoardId);
  EXPECT_EQ(window.LogLines(),
            (std::vector<Text>{"正努力获取相册列表，耐心等待哈！\r\n\r\n",
                               "第3行为空或者网址不对\r\n", "-----获取完毕,共计1个\r\n\r\n"}));
  EXPECT_EQ(RowTexts(), (std::vector<Text>{"1|旅行Travel2023|20|travel|x"}));
  EXPECT_EQ(RequestTargets(), (std::vector<std::string>{"/boards/travel/"}));
}

TEST_F(RetrieveAlbumsTest, EmptyAndForeignLinesAreSkippedSilently) {
  Retrieve(Board(demosite::kTravelBoardId) + "\r\n\r\nhttp://elsewhere.example/x\r\n" +
           Board(demosite::kFlowersBoardId));
  EXPECT_EQ(RowTexts(),
            (std::vector<Text>{"1|旅行Travel2023|20|travel|x", "2|花花小合集|12|flowers|x"}));
  EXPECT_EQ(window.LogLines().size(), 2u);
  // One second after each request, and only after requests.
  EXPECT_EQ(pacer.Pauses(), (std::vector<int>{1000, 1000}));
}

TEST_F(RetrieveAlbumsTest, EmptyBoardIsListedUntickedAndCounted) {
  Retrieve(Board(demosite::kEmptyBoardId) + "\r\n" + Board(demosite::kTravelBoardId));
  EXPECT_EQ(RowTexts(), (std::vector<Text>{"1|空画板|0|empty|-", "2|旅行Travel2023|20|travel|x"}));
  EXPECT_EQ(window.StatusCaptions().back(), "温馨提示：相册列表获取完毕,共计2个");

  // 全选 ticks it like any other row.
  bool invert = false;
  SelectAll(window.Albums(), true, invert);
  EXPECT_TRUE(window.Albums().IsChecked(0));
}

TEST_F(RetrieveAlbumsTest, SearchLineGivesAKeywordRowWithoutSendingCookies) {
  session.cookies.Put(testing::ViewerCookie(site, "a", "1"));
  Retrieve(SearchFor(demosite::kCatKeyword));
  EXPECT_EQ(RowTexts(), (std::vector<Text>{"1|cat|150|关键词_cat|x"}));
  const auto requests = site.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "/search/?q=cat");
  EXPECT_EQ(requests[0].Header("Cookie"), "");
  EXPECT_EQ(requests[0].Header("X-Requested-With"), "XMLHttpRequest");
  EXPECT_EQ(requests[0].Header("X-Request"), "JSON");
  EXPECT_EQ(pacer.Pauses(), (std::vector<int>{1000}));
}

TEST_F(RetrieveAlbumsTest, NamesLoseWhatAFolderNameCannotHold) {
  demosite::Search odd;
  odd.keyword = "odd";
  odd.text = Utf8(u8"黑 白:猫/狗。");
  site.AddSearch(odd);
  Retrieve(Board(demosite::kSpringBoardId) + "\r\n" + SearchFor("odd"));
  EXPECT_EQ(RowTexts(), (std::vector<Text>{"1|春天樱花风景2024|6|spring-2024|x",
                                           "2|黑白猫狗|0|关键词_黑白猫狗|-"}));
}

TEST_F(RetrieveAlbumsTest, TheSameBoardTwiceGivesTwoRows) {
  Retrieve(Board(demosite::kTravelBoardId) + "\r\n" + Board(demosite::kTravelBoardId));
  EXPECT_EQ(RowTexts(),
            (std::vector<Text>{"1|旅行Travel2023|20|travel|x", "2|旅行Travel2023|20|travel|x"}));
  EXPECT_EQ(site.Requests().size(), 2u);
}

TEST_F(RetrieveAlbumsTest, DebugModeKeepsTheLastBoardAnswerInJsonTxt) {
  const Text jsonTxt = home.File("json.txt");
  Retrieve(Board(demosite::kTravelBoardId));
  EXPECT_FALSE(platform::FileExists(jsonTxt));

  window.Values().SetDebugSwitch(true);
  Retrieve(Board(demosite::kSpringBoardId) + "\r\n" + Board(demosite::kTravelBoardId) + "\r\n" +
           SearchFor(demosite::kCatKeyword));
  const auto saved = platform::ReadWholeFile(jsonTxt);
  ASSERT_TRUE(saved.has_value());
  // The travel answer, converted to code page 936; the search after it wrote nothing.
  EXPECT_NE(saved->find("\"title\":\"旅行 Travel 2023\""), std::string::npos) << *saved;
  EXPECT_EQ(saved->find("spring"), std::string::npos);
  EXPECT_EQ(saved->find("\"total\""), std::string::npos);
}

TEST_F(RetrieveAlbumsTest, ASecondRetrievalReplacesTheList) {
  Retrieve(Board(demosite::kTravelBoardId) + "\r\n" + Board(demosite::kFlowersBoardId));
  window.Albums().SetChecked(0, false);
  Retrieve(Board(demosite::kFlowersBoardId));
  EXPECT_EQ(RowTexts(), (std::vector<Text>{"1|花花小合集|12|flowers|x"}));
}

// Fetched again, an album keeps the tick the user gave it, and the log says
// how many did; one whose answer now fails is unticked whatever it had, and
// ticked again once its answer comes right.
TEST_F(RetrieveAlbumsTest, ARetrievalAgainKeepsTheUsersTicksButNotOnAFailedAlbum) {
  const Text boards = Board(demosite::kTravelBoardId) + "\r\n" + Board(demosite::kFlowersBoardId);
  Retrieve(boards);
  window.Albums().SetChecked(0, false);
  demosite::Fault reset;
  reset.kind = demosite::Fault::Kind::kReset;
  site.SetFault("/boards/flowers/", reset);
  Retrieve(boards);
  EXPECT_EQ(RowTexts(),
            (std::vector<Text>{"1|旅行Travel2023|20|travel|-", "2||获取失败|flowers|-"}));
  const std::vector<Text> log = window.LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "1个相册保留了上次列表中的勾选\r\n"), 1);
  site.ClearFaults();
  Retrieve(boards);
  EXPECT_EQ(RowTexts(),
            (std::vector<Text>{"1|旅行Travel2023|20|travel|-", "2|花花小合集|12|flowers|x"}));
}

TEST_F(RetrieveAlbumsTest, BoardRequestsSendTheViewersCookiesThenTheMergedOnes) {
  session.cookies.Put(testing::ViewerCookie(site, "a", "1"));
  session.cookies.Put(testing::ViewerCookie(site, "b", "2"));
  Retrieve(Board(demosite::kTravelBoardId) + "\r\n" + Board(demosite::kFlowersBoardId));
  const auto requests = site.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("Cookie"), "a=1; b=2");
  EXPECT_EQ(requests[0].Header("X-Requested-With"), "XMLHttpRequest");
  EXPECT_EQ(requests[0].Header("X-Request"), "JSON");
  // The viewer's cookies with what the first answer set on top (every board
  // answer sets visit and lang), in one line.
  EXPECT_EQ(CookieItems(requests[1].Header("Cookie")),
            (std::set<std::string>{"a=1", "b=2", "lang=zh", "visit=1"}));
  EXPECT_EQ(requests[1].headers.count("Cookie"), 1u);
  const Text forSite = session.cookies.CookieLineFor(session.site.siteHost + "/");
  EXPECT_EQ(CookieItems(forSite), (std::set<std::string>{"a=1", "b=2", "lang=zh", "visit=2"}));
}

TEST_F(RetrieveAlbumsTest, BoardIdsThatCouldLeaveAFolderAreRefused) {
  const Text host = session.site.siteHost + "/boards/";
  Retrieve(host + "../\r\n" + host + "a\\b/\r\n" + host + "a.b/\r\n" + host + "a\x01z/\r\n" + host +
           "中文/\r\n" + Board("ok_id-2"));
  EXPECT_EQ(
      window.LogLines(),
      (std::vector<Text>{"正努力获取相册列表，耐心等待哈！\r\n\r\n", "第1行为空或者网址不对\r\n",
                         "第2行为空或者网址不对\r\n", "第3行为空或者网址不对\r\n",
                         "第4行为空或者网址不对\r\n", "第5行为空或者网址不对\r\n",
                         "第6行的相册获取失败：" + Board("ok_id-2") + "\r\n",
                         "原因：网站上没有了（HTTP 404）\r\n", "-----获取完毕,共计1个\r\n\r\n"}));
  EXPECT_EQ(RequestTargets(), (std::vector<std::string>{"/boards/ok_id-2/"}))
      << "a 404 is not asked for again";
}

// An album whose answer never comes right is asked for as a page is (ten
// times, two seconds apart), then listed unticked as failed, and the log names
// its line and the reason.
TEST_F(RetrieveAlbumsTest, AFailedAnswerIsSaidAndListedUnticked) {
  demosite::Fault reset;
  reset.kind = demosite::Fault::Kind::kReset;
  site.SetFault("/boards/travel/", reset);
  Retrieve(Board(demosite::kTravelBoardId) + "\r\n" + Board(demosite::kFlowersBoardId));
  EXPECT_EQ(RowTexts(), (std::vector<Text>{"1||获取失败|travel|-", "2|花花小合集|12|flowers|x"}));
  EXPECT_EQ(RequestTargets().size(), 11u);
  EXPECT_EQ(window.LogLines()[1],
            "第1行的相册获取失败：" + Board(demosite::kTravelBoardId) + "\r\n");
  EXPECT_EQ(window.LogLines()[2], "原因：" + FailureText(HttpFailure::kConnectionBroken) + "\r\n");
  const std::vector<int> pauses = pacer.Pauses();
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 2000), 10);
}

// A 503 that passes is asked again, and the album is listed as if nothing happened.
TEST_F(RetrieveAlbumsTest, AnAnswerThatFailsOnceIsAskedAgain) {
  demosite::Fault busy;
  busy.kind = demosite::Fault::Kind::kStatus;
  busy.status = 503;
  busy.firstN = 1;
  site.SetFault("/boards/travel/", busy);
  Retrieve(Board(demosite::kTravelBoardId));
  EXPECT_EQ(RowTexts(), (std::vector<Text>{"1|旅行Travel2023|20|travel|x"}));
  EXPECT_EQ(pacer.Pauses(), (std::vector<int>{2000, 1000}));
  EXPECT_EQ(window.LogLines().size(), 2u) << "nothing to say";
}

// The retrieval runs on a thread of its own: the caller is back at once, even
// while the site is slow, and a second start is ignored until the first is over.
TEST_F(RetrieveAlbumsTest, ControlRunsOneRetrievalAtATimeOffTheCallersThread) {
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 400;
  slow.firstN = 1;
  site.SetFault("/boards/travel/", slow);
  RetrievalControl control(window, window.Values(), window.Albums(), session,
                           [](RunGate& gate) { return std::make_unique<RecordingPacer>(&gate); });
  const Text input = Board(demosite::kTravelBoardId) + "\r\n" + Board(demosite::kFlowersBoardId);
  ASSERT_TRUE(control.Start(input));
  EXPECT_TRUE(control.Running());
  EXPECT_EQ(window.Albums().RowCount(), 0) << "the first answer takes 400 ms";
  EXPECT_FALSE(control.Start(Board(demosite::kEmptyBoardId)));
  control.Wait();
  EXPECT_FALSE(control.Running());
  EXPECT_EQ(window.retrievalsFinished(), 1);
  EXPECT_EQ(RowTexts(),
            (std::vector<Text>{"1|旅行Travel2023|20|travel|x", "2|花花小合集|12|flowers|x"}));
  EXPECT_EQ(site.Requests().size(), 2u);
  // Once it is over, the next one runs.
  ASSERT_TRUE(control.Start(Board(demosite::kTravelBoardId)));
  control.Wait();
  EXPECT_EQ(window.Albums().RowCount(), 1);
}

// Ending (closing the window) aborts the request under way at once.
TEST_F(RetrieveAlbumsTest, EndingTheControlAbortsTheRequestUnderWay) {
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 20000;
  site.SetFault("/boards/travel/", slow);
  RetrievalControl control(window, window.Values(), window.Albums(), session, RealPacers(1.0));
  ASSERT_TRUE(
      control.Start(Board(demosite::kTravelBoardId) + "\r\n" + Board(demosite::kFlowersBoardId)));
  while (site.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  control.End();
  control.Wait();  // well before the 20 s the site would take
  EXPECT_EQ(window.retrievalsFinished(), 1);
  EXPECT_EQ(site.Requests().size(), 1u) << "the flowers line was never asked for";
  EXPECT_EQ(window.LogLines().back(), "-----获取完毕,共计0个\r\n\r\n")
      << "an answer cut short is no album";
}

// Ended during the pause after an answer: that album is listed, the rest left.
class EndingPacer : public RecordingPacer {
 public:
  explicit EndingPacer(RunGate* gate) : RecordingPacer(gate), gate_(gate) {}
  bool PumpingWait(int ms) override {
    gate_->End();
    return RecordingPacer::PumpingWait(ms);
  }

 private:
  RunGate* gate_;
};

TEST_F(RetrieveAlbumsTest, AnEndedPauseStopsAfterTheLineInHand) {
  EndingPacer ended(&gate);
  RetrieveWith(ended, Board(demosite::kTravelBoardId) + "\r\n" + Board(demosite::kFlowersBoardId));
  EXPECT_EQ(RowTexts(), (std::vector<Text>{"1|旅行Travel2023|20|travel|x"}));
  EXPECT_EQ(window.LogLines().back(), "-----获取完毕,共计1个\r\n\r\n");
  EXPECT_FALSE(window.busyBoardShown());
}

}  // namespace
}  // namespace albumdl
