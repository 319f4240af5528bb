// The albumdl program, run as a subprocess against an in-process stand-in site.
// What it prints is UTF-8, so the expectations here are u8"..." texts.
#include <sqlite3.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_test.h"
#include "demo_data.h"
#include "demo_site.h"
#include "net/cookie_jar.h"
#include "platform/environment.h"
#include "platform/path_syntax.h"
#include "platform/private_profile.h"
#include "support/albumdl_process.h"
#include "support/raw_http_server.h"
#include "support/temp_dir.h"
#include "support/this_program.h"

namespace albumdl {
namespace {

TEST_F(AlbumdlTest, ListAsJsonPrintsTheRowsOnOneLine) {
  const Outcome run = Run({"--list", "--json", Board(demosite::kSpringBoardId),
                           Search(demosite::kCatKeyword), Board(demosite::kEmptyBoardId)});
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
  const auto document = nlohmann::json::parse(run.out);
  const auto expected =
      nlohmann::json::parse(Utf8(u8R"({"albums":[
    {"serial":"1","title":"春天樱花风景2024","count":"6","id":"spring-2024","checked":true},
    {"serial":"2","title":"cat","count":"150","id":"关键词_cat","checked":true},
    {"serial":"3","title":"空画板","count":"0","id":"empty","checked":false}]})"));
  EXPECT_EQ(document, expected);
  // The log went to standard error instead.
  EXPECT_NE(run.err.find(Utf8(u8"正努力获取相册列表，耐心等待哈！\n\n")), std::string::npos);
  EXPECT_NE(run.err.find(Utf8(u8"-----获取完毕,共计3个\n\n")), std::string::npos);
}

TEST_F(AlbumdlTest, ListPrintsTheLogInUtf8OnStandardOutput) {
  const std::string logPath = scratch.NativeFile("activity.log");
  const Outcome run = Run({"--list", "--log", logPath, Board(demosite::kTravelBoardId),
                           site.SiteHost() + "/boards/" + demosite::kFlowersBoardId});
  // The board address without its "/" is left out, which fails the run.
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string log = Utf8(
      u8"正努力获取相册列表，耐心等待哈！\n\n"
      u8"第2行为空或者网址不对\n"
      u8"-----获取完毕,共计1个\n\n");
  EXPECT_EQ(run.out.rfind(log, 0), 0u) << run.out;
  EXPECT_NE(run.out.find(Utf8(u8"[x]\t1\t20\ttravel\t旅行Travel2023\n")), std::string::npos);
  EXPECT_EQ(run.out.find('\r'), std::string::npos);
  EXPECT_EQ(ReadFile(logPath), log);

  // -q keeps the console free of it; the log file grows.
  const Outcome quiet = Run({"--list", "-q", "--log", logPath, Board(demosite::kTravelBoardId)});
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.out.find(Utf8(u8"正努力")), std::string::npos);
  EXPECT_EQ(ReadFile(logPath).rfind(log, 0), 0u);
  EXPECT_GT(ReadFile(logPath).size(), log.size());
}

TEST_F(AlbumdlTest, AnAlbumWithoutAnAnswerIsNamedAndFailsTheRun) {
  // An unknown board answers 404: the album failed, with the reason, and no
  // run downloads it.
  const std::vector<std::string> albums{Board(demosite::kTravelBoardId), Board("no-such-board")};
  std::vector<std::string> list{"--list"};
  list.insert(list.end(), albums.begin(), albums.end());
  const Outcome listed = Run(list);
  EXPECT_EQ(listed.status, 1);
  EXPECT_NE(listed.err.find("album 2 (input line 2): the site's answer did not come right (" +
                            Utf8(u8"网站上没有了（HTTP 404）") + "); it is not downloaded"),
            std::string::npos)
      << listed.err;
  EXPECT_EQ(listed.err.find("album 1"), std::string::npos) << listed.err;

  std::vector<std::string> download{"-q", "-o", saved.Native()};
  download.insert(download.end(), albums.begin(), albums.end());
  const Outcome downloaded = Run(download);
  EXPECT_EQ(downloaded.status, 1) << downloaded.err;
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 20u);
}

// ASCII text as UTF-16 with its byte-order mark.
std::string Utf16(const std::string& ascii, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return out;
}

TEST_F(AlbumdlTest, AddressesComeFromAFileOrStandardInput) {
  const std::string list = scratch.NativeFile("albums.txt");
  // Windows line ends, an empty line and a last line without its line end:
  // line 3 is the one without the "/". The same lines with a UTF-8 byte order
  // mark, in UTF-16 either way round, and with the CR alone of old Macs.
  const std::string lines = Board(demosite::kTravelBoardId) + "\r\n\r\n" + site.SiteHost() +
                            "/boards/x\r\n" + Search(demosite::kCatKeyword);
  std::string crOnly = lines;
  for (size_t at; (at = crOnly.find("\r\n")) != std::string::npos;) crOnly.erase(at + 1, 1);
  const std::vector<std::pair<const char*, std::string>> encodings{
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + lines},
      {"UTF-16LE", Utf16(lines, false)},
      {"UTF-16BE", Utf16(lines, true)},
      {"CR alone", crOnly}};
  for (const auto& [encoding, content] : encodings) {
    WriteFile(list, content);
    for (const auto& arguments : {std::vector<std::string>{"--list", "--json", "--input", list},
                                  std::vector<std::string>{"--list", "--json", "--input", "-"}}) {
      SCOPED_TRACE(std::string(encoding) + " " + arguments.back());
      const Outcome run = Run(arguments, list);
      EXPECT_EQ(run.status, 1) << run.err;
      const auto albums = nlohmann::json::parse(run.out)["albums"];
      ASSERT_EQ(albums.size(), 2u) << run.out;
      EXPECT_EQ(albums[0]["id"], "travel");
      EXPECT_EQ(albums[1]["id"], Utf8(u8"关键词_cat"));
      EXPECT_EQ(OwnMessages(run.err).size(), 1u) << run.err;  // only line 3 is named
      EXPECT_NE(run.err.find("line 3: "), std::string::npos) << run.err;
      EXPECT_NE(run.err.find(Utf8(u8"第3行为空或者网址不对\n")), std::string::npos) << run.err;
    }
  }
  // UTF-16 without its mark is named for what it is, not as a control
  // character in every line.
  std::string markless = Utf16(lines, false).substr(2);
  WriteFile(list, markless);
  const Outcome run = Run({"--list", "--input", list});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("UTF-16 text without a byte-order mark"), std::string::npos) << run.err;
  EXPECT_EQ(OwnMessages(run.err).size(), 1u) << run.err;
}

TEST_F(AlbumdlTest, CookiesFileStandsForTheViewersCookies) {
  const std::string cookies = scratch.NativeFile("cookies.txt");
  WriteFile(cookies,
            "# Netscape HTTP Cookie File\n"
            "127.0.0.1\tFALSE\t/\tFALSE\t0\t" +
                demosite::DemoSite::SessionCookieName() + "\t" + site.IssueSession() +
                "\n"
                "other.example\tFALSE\t/\tFALSE\t0\tforeign\t1\n");
  const Outcome run =
      Run({"--list", "--json", "--cookies", cookies, Board(demosite::kPrivateBoardId)});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(nlohmann::json::parse(run.out)["albums"][0]["count"], "8");
  const auto requests = site.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string sent = requests[0].Header("Cookie");
  EXPECT_EQ(sent.rfind(demosite::DemoSite::SessionCookieName() + "=", 0), 0u) << sent;
  EXPECT_EQ(sent.find("foreign"), std::string::npos);
}

TEST_F(AlbumdlTest, SiteComesFromTheSettingsFileWhenNotGiven) {
  // peizi.ini is a code page 936 file, as the window writes it.
  platform::WritePrivateProfileString(home.Path() + "\\peizi.ini", "站点设置", "站点地址",
                                      site.SiteHost());
  const Outcome run = RunAlbumdl(
      {"--list", "--json", "--pace", "0", "--home", home.Native(), Board(demosite::kTravelBoardId)},
      scratch);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(nlohmann::json::parse(run.out)["albums"][0]["count"], "20");
}

TEST_F(AlbumdlTest, DebugKeepsTheAnswerInTheProgramDirectory) {
  ASSERT_EQ(Run({"--list", Board(demosite::kTravelBoardId)}).status, 0);
  EXPECT_TRUE(ReadFile(home.NativeFile("json.txt")).empty());
  ASSERT_EQ(Run({"--list", "--debug", Board(demosite::kTravelBoardId)}).status, 0);
  EXPECT_NE(ReadFile(home.NativeFile("json.txt")).find("\"board_id\":\"travel\""),
            std::string::npos);
}

TEST_F(AlbumdlTest, BadUseExitsWithTwoAndOneLine) {
  const std::vector<std::vector<std::string>> cases{
      {"--list", "--no-such-option", Board("travel")},
      {"--json", Board("travel")},                  // --json needs --list
      {"--list", "--pace", "-1", Board("travel")},  // no negative pauses
      {"--pick", "3-1", Board("travel")},
      {"--pick", "1,x", Board("travel")},
      {"--pick", "99999999999", Board("travel")},
      {"--pick", std::string(1001, '1'), Board("travel")},  // no list is that long
      {"--list", "--pace", "1\n2", Board("travel")},        // one line, whatever the value
      {"--all", "--pick", "1", Board("travel")},
      {"--list", "--input", scratch.NativeFile("missing.txt")},
      {"--list", "--input", scratch.Native()},  // a folder is no list
      {"--list", "--input", "-", Board("travel")},
      {"--jobs", "0", Board("travel")},  // one lane at least
      {"--jobs", "17", Board("travel")},
      {"--jobs", "two", Board("travel")},
      {"--jobs", "0x4", Board("travel")},  // decimal numbers only
      {"--list", "--pace", "0x4", Board("travel")},
      {"--pick", "1-999999999999", Board("travel")},
      // Input that never ends, or is no file at all.
      {"--list", "--input", "/dev/zero"},
      {"--list", "--cookies", "/dev/zero", Board("travel")},
      {"--list", "--cookies", scratch.Native(), Board("travel")},
      // A switch and its --no- form; a sync run that fetches everything again.
      {"--sync", "--no-sync", Board("travel")},
      {"--sync", "--no-skip-downloaded", Board("travel")},
      {"--link-duplicates", "--no-link-duplicates", Board("travel")},
  };
  for (const auto& arguments : cases) {
    const Outcome run = Run(arguments);
    EXPECT_EQ(run.status, 2) << arguments[0] << " " << arguments[1];
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
  EXPECT_TRUE(site.Requests().empty());

  // The message names what is wrong.
  const std::vector<std::pair<std::vector<std::string>, std::string>> said{
      {{"--jobs", "abc", Board("travel")},
       "--jobs: a whole number from 1 to 16 is needed, not abc"},
      {{"--pick", "1-999999999999", Board("travel")},
       "--pick 1-999999999999: the serial 999999999999 is too large (at most 2147483647)"},
      {{"--pick", "3-1", Board("travel")}, "--pick 3-1: the range 3-1 runs backwards"},
      {{"--pick", "1,x", Board("travel")}, "--pick 1,x: not serials such as 1,3-5"},
      {{"--list", "--input", "/dev/zero"}, "--input /dev/zero: it is larger than 16 MiB"},
      {{"--list", "--input", "-"}, "--input -: it is larger than 16 MiB"},
      {{"--list", "--cookies", scratch.Native(), Board("travel")}, "it is a folder, not a file"},
      {{"--list", "--input", scratch.NativeFile("missing.txt")},
       "missing.txt: cannot read it: No such file or directory"},
  };
  for (const auto& [arguments, message] : said) {
    const Outcome run = Run(arguments, "/dev/zero");
    EXPECT_EQ(run.status, 2) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  }
}

TEST_F(AlbumdlTest, NoAddressesAsksForOne) {
  const Outcome run = Run({"--list"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, Utf8(u8"albumdl: 请输入网址\n"));
  // Blanks (full-width ones too) and empty lines are no address either.
  const Outcome blanks = Run({"--list", "--json", "   ", Utf8(u8"\u3000 \u3000"), "", "\t"});
  EXPECT_EQ(blanks.status, 2);
  EXPECT_EQ(blanks.err, Utf8(u8"albumdl: 请输入网址\n"));
  EXPECT_TRUE(site.Requests().empty());
}

// ---------------------------------------------------------------------------
// Lines, folders and picks albumdl cannot use are named, one line each

TEST_F(AlbumdlTest, AControlByteLeavesOutItsLineAndTheLaterLinesAreRead) {
  const std::string list = scratch.NativeFile("albums.txt");
  const std::string zero(1, '\0');
  WriteFile(list, Board(demosite::kTravelBoardId) + "\n" + Board("spr" + zero + "ing-2024") + "\n" +
                      Search(demosite::kCatKeyword) + "\n\x1B[31m\n" + site.SiteHost() +
                      "/boards/x\n" + Board(demosite::kFlowersBoardId) + "\n");
  for (const auto& arguments : {std::vector<std::string>{"--list", "--json", "--input", list},
                                std::vector<std::string>{"--list", "--json", "--input", "-"}}) {
    site.ClearRequests();
    const Outcome run = Run(arguments, list);
    EXPECT_EQ(run.status, 1) << run.err;
    const auto document = nlohmann::json::parse(run.out);
    std::vector<std::string> ids;
    for (const auto& album : document["albums"]) ids.push_back(album["id"]);
    EXPECT_EQ(ids, (std::vector<std::string>{"travel", Utf8(u8"关键词_cat"), "flowers"}));
    EXPECT_EQ(site.Requests().size(), 3u);
    const std::vector<std::string> said = Lines(run.err);
    ASSERT_GE(said.size(), 3u) << run.err;
    EXPECT_EQ(said[0], "albumdl: line 2: it holds a control character, left out: " +
                           Board("spr\\x00ing-2024"));
    EXPECT_EQ(said[1], "albumdl: line 4: it holds a control character, left out: \\x1B[31m");
    EXPECT_EQ(said[2].rfind("albumdl: line 5: no board id", 0), 0u) << said[2];
    // The activity log counts the lines as the file has them.
    EXPECT_NE(run.err.find(Utf8(u8"第5行为空或者网址不对\n")), std::string::npos) << run.err;
  }
}

TEST_F(AlbumdlTest, LinesOfNeitherKindAreNamedAndFailTheRun) {
  const std::vector<std::string> foreign{"http://other.example/boards/a/", "not an address",
                                         Utf8(u8"http://x/search/?q=\U0001F600")};
  std::vector<std::string> arguments{"--list", Board(demosite::kTravelBoardId), ""};
  arguments.insert(arguments.end(), foreign.begin(), foreign.end());
  const Outcome run = Run(arguments);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.out.find("[x]\t1\t20\ttravel\t"), std::string::npos) << run.out;
  EXPECT_EQ(site.Requests().size(), 1u);
  // The empty address 2 is a spacer; the others are named with their number.
  const std::vector<std::string> said = Lines(run.err);
  ASSERT_EQ(said.size(), 3u) << run.err;
  const std::string kinds = "neither a board address (" + site.SiteHost().substr(7) +
                            "/boards/ID/) nor a search address (.../search/?q=WORD), left out: ";
  EXPECT_EQ(said[0], "albumdl: address 3: " + kinds + foreign[0]);
  EXPECT_EQ(said[1], "albumdl: address 4: " + kinds + foreign[1]);
  EXPECT_EQ(said[2],
            "albumdl: address 5: it holds characters outside code page 936 (or is not "
            "UTF-8), left out: " +
                foreign[2]);

  // The albums that are there are downloaded all the same.
  const Outcome download =
      Run({"-q", "-o", saved.Native(), "junk", Board(demosite::kFlowersBoardId)});
  EXPECT_EQ(download.status, 1) << download.err;
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 12u);

  // With nothing left there is nothing to do: bad use, and no request.
  site.ClearRequests();
  const Outcome nothing = Run({"-o", saved.Native(), foreign[0], foreign[1]});
  EXPECT_EQ(nothing.status, 2);
  ASSERT_EQ(Lines(nothing.err).size(), 3u) << nothing.err;
  EXPECT_EQ(Lines(nothing.err)[2],
            "albumdl: no board or search address among the input; nothing to do");
  EXPECT_TRUE(site.Requests().empty());
}

// Folders albumdl cannot name, or that are files.
TEST_F(AlbumdlTest, FoldersOutsideCodePage936AreRefusedBeforeAnythingIsMade) {
  const std::string emoji = saved.NativeFile(Utf8(u8"\U0001F600"));
  const std::string hangul = home.NativeFile(Utf8(u8"한국어"));
  const Outcome saveTo = Run({"-o", emoji, Board(demosite::kFlowersBoardId)});
  EXPECT_EQ(saveTo.status, 2);
  EXPECT_EQ(Lines(saveTo.err).size(), 1u) << saveTo.err;
  EXPECT_EQ(saveTo.err.rfind("albumdl: -o " + emoji + ": the folder name holds characters", 0), 0u)
      << saveTo.err;
  const Outcome homeRun = RunAlbumdl(
      {"--site", site.SiteHost(), "--home", hangul, "-o", saved.Native(), Board("flowers")},
      scratch);
  EXPECT_EQ(homeRun.status, 2);
  EXPECT_EQ(homeRun.err.rfind("albumdl: --home " + hangul + ": the folder name", 0), 0u)
      << homeRun.err;
  const std::string aFile = scratch.NativeFile("a-file");
  WriteFile(aFile, "x");
  const Outcome fileHome =
      RunAlbumdl({"--site", site.SiteHost(), "--home", aFile, "--list", Board("travel")}, scratch);
  EXPECT_EQ(fileHome.status, 2);
  EXPECT_EQ(fileHome.err,
            "albumdl: --home " + aFile + ": cannot use it as the program directory\n");
  platform::SetEnvironmentValue("ALBUMDL_HOME", hangul);
  const Outcome variable =
      RunAlbumdl({"--site", site.SiteHost(), "--list", Board("travel")}, scratch);
  platform::RemoveEnvironmentValue("ALBUMDL_HOME");
  EXPECT_EQ(variable.status, 2);
  EXPECT_EQ(variable.err.rfind("albumdl: ALBUMDL_HOME " + hangul + ": the folder name", 0), 0u)
      << variable.err;
  // A "\" would be a separator inside the program: a\b would become a/b. (On
  // Windows it is one already, and a\b is the folder b in a.)
  if (!platform::IsNativeSeparator('\\')) {
    const Outcome backslash = Run({"-o", saved.NativeFile("a\\b"), Board("flowers")});
    EXPECT_EQ(backslash.status, 2) << backslash.err;
  }
  EXPECT_TRUE(FilesUnder(saved.Native()).empty());
  EXPECT_FALSE(std::filesystem::exists(testing::NativeFsPath(hangul)));
  EXPECT_TRUE(site.Requests().empty());

  // A name the code page holds is used as it is.
  const Outcome held = Run({"-q", "-o", saved.NativeFile(Utf8(u8"中文€")), Board("flowers")});
  ASSERT_EQ(held.status, 0) << held.err;
  EXPECT_EQ(FilesUnder(saved.NativeFile(Utf8(u8"中文€"))).size(), 12u);
}

TEST_F(AlbumdlTest, APickNamingNoAlbumIsBadUseAndAPartlyMissingOneFailsTheRun) {
  const std::vector<std::string> albums{Board(demosite::kTravelBoardId),
                                        Board(demosite::kFlowersBoardId)};
  std::vector<std::string> none{"-q", "-o", saved.Native(), "--pick", "5-7"};
  none.insert(none.end(), albums.begin(), albums.end());
  const Outcome nothing = Run(none);
  EXPECT_EQ(nothing.status, 2);
  EXPECT_EQ(nothing.err,
            "albumdl: --pick 5-7: no such album in the list of 2; nothing downloaded\n");
  EXPECT_EQ(PictureRequests(), 0);

  std::vector<std::string> some{"-q", "-o", saved.Native(), "--pick", "2,9,5-7"};
  some.insert(some.end(), albums.begin(), albums.end());
  const Outcome partly = Run(some);
  EXPECT_EQ(partly.status, 1);
  EXPECT_NE(partly.err.find("albumdl: --pick 2,9,5-7: no album 5-7,9 in the list of 2; the others "
                            "are downloaded\n"),
            std::string::npos)
      << partly.err;
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 12u);

  // A pick repeating a huge range is one range: it costs what its text costs.
  std::string huge = "1-99999";
  while (huge.size() + 8 <= 1000) huge += ",1-99999";
  const Outcome repeated = Run({"-q", "-o", saved.Native(), "--pick", huge, albums[1]});
  EXPECT_EQ(repeated.status, 1);
  EXPECT_NE(repeated.err.find(": no album 2-99999 in the list of 1;"), std::string::npos)
      << repeated.err;
}

// ---------------------------------------------------------------------------
// The sign-in and the hosts it may reach

// A board of pins whose pictures are named after it ("id-1.jpg", ...).
demosite::Board SmallBoard(const std::string& id, int pins) {
  demosite::Board board;
  board.id = id;
  board.title = id;
  for (int i = 1; i <= pins; ++i)
    board.pins.push_back({1000 + i, id + "-" + std::to_string(i) + ".jpg", "image/jpeg"});
  return board;
}

demosite::Search SmallSearch(const std::string& keyword, int pins) {
  demosite::Search search;
  search.keyword = keyword;
  search.text = keyword;
  for (int i = 1; i <= pins; ++i)
    search.pins.push_back({2000 + i, keyword + "-" + std::to_string(i) + ".png", "image/png"});
  return search;
}

std::string FirstPage(const std::string& boardId) {
  return "/boards/" + boardId + "/?isgtq0gn&max=&limit=100&wfl=1";
}

demosite::RawAnswer Answer(int status, std::vector<std::pair<std::string, std::string>> headers,
                           std::string body) {
  demosite::RawAnswer answer;
  answer.status = status;
  answer.headers = std::move(headers);
  answer.body = std::move(body);
  return answer;
}

demosite::RawAnswer Redirect(const std::string& to) {
  return Answer(302, {{"Location", to}, {"Content-Type", "text/plain"}}, "moved");
}

int CookieItems(const std::string& line) {
  return line.empty() ? 0 : static_cast<int>(std::count(line.begin(), line.end(), ';')) + 1;
}

class SignInTest : public AlbumdlTest {
 protected:
  void SetUp() override {
    AlbumdlTest::SetUp();
    sid = demosite::DemoSite::SessionCookieName() + "=" + site.IssueSession();
  }
  // A cookies.txt: the user's session for the site's host, and lines of the
  // test's own ("127.0.0.2\tFALSE\t/\tFALSE\t0\ttheirs\t1").
  std::string CookieFile(const std::string& siteHostName, const std::string& more = "") {
    const std::string file = scratch.NativeFile("cookies.txt");
    WriteFile(file, "# Netscape HTTP Cookie File\n" + siteHostName + "\tFALSE\t/\tFALSE\t0\t" +
                        sid.substr(0, sid.find('=')) + "\t" + sid.substr(sid.find('=') + 1) + "\n" +
                        more);
    return file;
  }
  // Every request to the site carries the user's session and nothing an
  // answer of another host set.
  void ExpectSignedInEverywhere(const demosite::DemoSite& on, bool searchAnswersToo = false) {
    for (const auto& request : on.Requests()) {
      // A search line's answer is asked for without cookies, as always.
      const bool searchAnswer = request.target.rfind("/search/", 0) == 0 &&
                                request.target.find("page=") == std::string::npos;
      if (searchAnswer && !searchAnswersToo) continue;
      const std::string cookies = request.Header("Cookie");
      EXPECT_NE(cookies.find(sid), std::string::npos) << request.target << ": " << cookies;
      EXPECT_EQ(cookies.find("evil"), std::string::npos) << request.target << ": " << cookies;
      EXPECT_EQ(cookies.find("ATTACKER"), std::string::npos) << request.target << ": " << cookies;
    }
  }
  std::string sid;
};

// A board page that sends the run to another host, or to another port of the
// site's host, takes none of the site's cookies there and no Host line of the
// site's; the other host gets only what is its own.
TEST_F(SignInTest, ARedirectToAnotherHostOrPortCarriesNoneOfTheSitesCookies) {
  demosite::DemoSite otherHost{/*empty=*/true};
  demosite::DemoSite otherPort{/*empty=*/true};
  otherHost.KeepRequests();
  otherPort.KeepRequests();
  ASSERT_TRUE(otherHost.Start(0, "127.0.0.2"));
  ASSERT_TRUE(otherPort.Start(0));
  for (demosite::DemoSite* each : {&site, &otherHost, &otherPort}) {
    each->AddBoard(SmallBoard("r1", 2));
    each->AddBoard(SmallBoard("r2", 2));
  }
  site.SetRawAnswer(FirstPage("r1"), Redirect(otherHost.SiteHost() + FirstPage("r1")));
  site.SetRawAnswer(FirstPage("r2"), Redirect(otherPort.SiteHost() + FirstPage("r2")));
  const std::string cookies = CookieFile("127.0.0.1", "127.0.0.2\tFALSE\t/\tFALSE\t0\ttheirs\t1\n");

  const Outcome run =
      Run({"-q", "-o", saved.Native(), "--cookies", cookies, Board("r1"), Board("r2")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 4u);

  ASSERT_EQ(otherHost.Requests().size(), 1u);
  EXPECT_EQ(otherHost.Requests()[0].Header("Cookie"), "theirs=1");
  EXPECT_EQ(otherHost.Requests()[0].Header("Host"),
            "127.0.0.2:" + std::to_string(otherHost.Port()));
  ASSERT_EQ(otherPort.Requests().size(), 1u);
  EXPECT_EQ(otherPort.Requests()[0].Header("Cookie"), "");
  EXPECT_EQ(otherPort.Requests()[0].Header("Host"),
            "127.0.0.1:" + std::to_string(otherPort.Port()));
  ExpectSignedInEverywhere(site);
}

// Another host that an album answer or a picture is sent to sets cookies of
// its own and, as the site's, a session of its own: none of it ever reaches
// the site, and the user's sign-in stays on every later request.
TEST_F(SignInTest, ACookieSetByAnotherHostNeverReachesTheSiteAndTheSignInStays) {
  demosite::DemoSite otherHost{/*empty=*/true};
  otherHost.KeepRequests();
  ASSERT_TRUE(otherHost.Start(0, "127.0.0.2"));
  site.AddBoard(SmallBoard("p", 3));
  site.AddBoard(SmallBoard("q", 2));
  site.AddSearch(SmallSearch("few", 3));
  const std::vector<std::pair<std::string, std::string>> planted = {
      {"Set-Cookie", "injected=evil; Path=/"},
      {"Set-Cookie", "sid=ATTACKER; Domain=127.0.0.1; Path=/"},
      {"Set-Cookie", "sid=ATTACKER; Path=/"}};
  // A picture ...
  site.SetRawAnswer("/img/p-1.jpg", Redirect(otherHost.SiteHost() + "/img/p-1.jpg"));
  demosite::RawAnswer picture =
      Answer(200, {{"Content-Type", "image/jpeg"}}, demosite::DemoSite::PictureBytes("p-1.jpg"));
  picture.headers.insert(picture.headers.end(), planted.begin(), planted.end());
  otherHost.SetRawAnswer("/img/p-1.jpg", picture);
  // ... and an album answer (and with it, as they share its path, q's pages,
  // which then hold no pins).
  site.SetRawAnswer("/boards/q/", Redirect(otherHost.SiteHost() + "/boards/q/"));
  demosite::RawAnswer answer = Answer(200, {{"Content-Type", "application/json"}},
                                      R"({"board":{"title":"q","pin_count":2,"board_id":"q"}})");
  answer.headers.insert(answer.headers.end(), planted.begin(), planted.end());
  otherHost.SetRawAnswer("/boards/q/", answer);

  const Outcome run = Run({"-q", "-o", saved.Native(), "--cookies", CookieFile("127.0.0.1"),
                           Board("q"), Board("p"), Search("few")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 6u);
  EXPECT_EQ(otherHost.Requests().size(), 3u);
  ExpectSignedInEverywhere(site);
}

// A site that sets 1,000 new cookies with every picture: the jar keeps what a
// browser keeps, so the Cookie line stays bounded and the run goes on at its
// pace (bench_cookies measures it) with the sign-in intact.
TEST_F(SignInTest, AFloodOfCookiesOverSixtyPicturesKeepsTheCookieLineBounded) {
  site.AddBoard(SmallBoard("flood", 60));
  for (int i = 1; i <= 60; ++i) {
    const std::string key = "flood-" + std::to_string(i) + ".jpg";
    demosite::RawAnswer flood =
        Answer(200, {{"Content-Type", "image/jpeg"}}, demosite::DemoSite::PictureBytes(key));
    for (int j = 0; j < 1000; ++j) {
      flood.headers.emplace_back("Set-Cookie",
                                 "c" + std::to_string(i) + "_" + std::to_string(j) + "=v; Path=/");
    }
    site.SetRawAnswer("/img/" + key, flood);
  }
  const Outcome run =
      Run({"-q", "-o", saved.Native(), "--cookies", CookieFile("127.0.0.1"), Board("flood")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 60u);
  size_t longest = 0;
  for (const auto& request : site.Requests()) {
    const std::string cookies = request.Header("Cookie");
    EXPECT_LE(CookieItems(cookies), static_cast<int>(CookieJar::kMostPerDomain)) << request.target;
    longest = std::max(longest, cookies.size());
  }
  EXPECT_LT(longest, 16u * 1024) << "every cookie of the flood is a few bytes";
  EXPECT_GT(longest, 1000u) << "the flood did reach the jar";
  ExpectSignedInEverywhere(site);
}

// --site http://[::1]:PORT: the cookies go with album answers, board pages,
// search pages and pictures alike.
TEST_F(SignInTest, AnIpv6SiteGetsItsCookiesOnEveryRoute) {
  demosite::DemoSite six;
  six.KeepRequests();
  if (!six.Start(0, "::1")) GTEST_SKIP() << "no IPv6 loopback here";
  six.AddBoard(SmallBoard("v6", 3));
  six.AddSearch(SmallSearch("six", 2));
  sid = demosite::DemoSite::SessionCookieName() + "=" + six.IssueSession();
  const std::string cookies = CookieFile("[::1]", "::1\tFALSE\t/\tFALSE\t0\tplain\t1\n");
  const std::string board = six.SiteHost() + "/boards/v6/";
  const std::string search = six.SiteHost() + "/search/?q=six";
  const Outcome run = RunAlbumdl({"--site", six.SiteHost(), "--pace", "0", "--home", home.Native(),
                                  "-q", "-o", saved.Native(), "--cookies", cookies, board, search},
                                 scratch);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 5u);
  std::set<std::string> routes;
  for (const auto& request : six.Requests()) {
    routes.insert(request.target.substr(0, request.target.find_first_of("?", 1)));
    if (request.target.rfind("/search/?q=six", 0) == 0 &&
        request.target.find("page=") == std::string::npos)
      continue;
    EXPECT_NE(request.Header("Cookie").find("plain=1"), std::string::npos) << request.target;
  }
  ExpectSignedInEverywhere(six);
  EXPECT_GE(routes.size(), 5u) << "album answer, board page, search page, pictures";
}

// The image host is trusted with nothing: on another host (or port) than the
// site it gets none of the site's cookies, as a browser would send none.
TEST_F(SignInTest, AnImageHostOnAnotherHostGetsNoneOfTheSitesCookies) {
  demosite::DemoSite images{/*empty=*/true};
  images.KeepRequests();
  ASSERT_TRUE(images.Start(0, "127.0.0.2"));
  site.AddBoard(SmallBoard("i", 3));
  const Outcome run = Run({"-q", "-o", saved.Native(), "--cookies", CookieFile("127.0.0.1"),
                           "--image-host", images.SiteHost() + "/img", Board("i")});
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(images.Requests().size(), 3u);
  for (const auto& request : images.Requests()) EXPECT_EQ(request.Header("Cookie"), "");
  ExpectSignedInEverywhere(site);
}

// The environment's proxy variables, --proxy and the settings file's
// 代理服务器 each send the requests through a proxy (here one that only logs).
TEST_F(AlbumdlTest, RequestsGoThroughTheEnvironmentsOrTheGivenProxy) {
  testing::RawHttpServer proxy;
  ASSERT_TRUE(proxy.Start());
  const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.Port());
  const std::string album = Board(demosite::kTravelBoardId);
  for (const char* variable : {"no_proxy", "NO_PROXY", "http_proxy", "HTTPS_PROXY", "ALL_PROXY"})
    platform::RemoveEnvironmentValue(variable);
  // The proxy only logs; what it answers is no album, which albumdl asks for
  // again as it asks for a page: each run brings one request or more.
  size_t seen = 0;
  const auto throughProxy = [&] {
    const auto requests = proxy.Requests();
    const bool more = requests.size() > seen && requests.back().Target() == album;
    seen = requests.size();
    return more;
  };

  platform::SetEnvironmentValue("http_proxy", proxyUrl);
  Run({"--list", album});
  platform::RemoveEnvironmentValue("http_proxy");
  EXPECT_TRUE(throughProxy());
  platform::SetEnvironmentValue("all_proxy", proxyUrl);
  Run({"--list", album});
  platform::RemoveEnvironmentValue("all_proxy");
  EXPECT_TRUE(throughProxy());

  Run({"--list", "--proxy", proxyUrl, album});
  EXPECT_TRUE(throughProxy());

  platform::WritePrivateProfileString(home.Path() + "\\peizi.ini", "全局设置", "代理服务器",
                                      proxyUrl);
  Run({"--list", album});
  EXPECT_TRUE(throughProxy());
  EXPECT_TRUE(site.Requests().empty());

  // An empty key means no proxy beyond the environment's.
  platform::WritePrivateProfileString(home.Path() + "\\peizi.ini", "全局设置", "代理服务器", "");
  EXPECT_EQ(Run({"--list", album}).status, 0);
  EXPECT_FALSE(throughProxy());
  EXPECT_EQ(site.Requests().size(), 1u);
}

// ---------------------------------------------------------------------------
// Downloading

TEST_F(AlbumdlTest, DownloadsTheTickedAlbumsAndSkipsThemTheSecondTime) {
  const std::vector<std::string> albums{Board(demosite::kSpringBoardId),
                                        Board(demosite::kEmptyBoardId)};
  std::vector<std::string> arguments{"-o", saved.Native()};
  arguments.insert(arguments.end(), albums.begin(), albums.end());
  const Outcome first = Run(arguments);
  ASSERT_EQ(first.status, 0) << first.err;
  // The empty board came unticked out of the retrieval.
  EXPECT_NE(first.out.find(Utf8(u8"当前被选择相册编号:1、\n")), std::string::npos) << first.out;
  EXPECT_NE(first.out.find(Utf8(u8"-------全部下载完毕--------\n")), std::string::npos);
  EXPECT_NE(first.err.find(Utf8(u8"全部下载完毕")), std::string::npos);
  const std::vector<std::string> files = FilesUnder(saved.Native());
  ASSERT_EQ(files.size(), 6u);
  for (const std::string& file : files) EXPECT_EQ(file.find("/"), files[0].find("/")) << file;
  EXPECT_EQ(PictureRequests(), 6);

  site.ClearRequests();
  arguments.push_back("--skip-downloaded");
  const Outcome second = Run(arguments);
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(PictureRequests(), 0);
  EXPECT_EQ(FilesUnder(saved.Native()), files);
}

TEST_F(AlbumdlTest, FourLanesSaveAndLogWhatOneLaneDoes) {
  const std::vector<std::string> albums{Board(demosite::kSpringBoardId),
                                        Search(demosite::kCatKeyword)};
  std::vector<std::string> arguments{"-o", saved.Native()};
  arguments.insert(arguments.end(), albums.begin(), albums.end());
  const Outcome one = Run(arguments);
  ASSERT_EQ(one.status, 0) << one.err;

  TempDir fourHome, fourSaved;
  std::vector<std::string> withLanes =
      DownloadArguments(site.SiteHost(), fourHome.Native(), fourSaved.Native(), {"--jobs", "4"});
  withLanes.insert(withLanes.end(), albums.begin(), albums.end());
  const Outcome four = RunAlbumdl(withLanes, scratch);
  ASSERT_EQ(four.status, 0) << four.err;

  const std::vector<std::string> files = FilesUnder(saved.Native());
  EXPECT_EQ(files.size(), 6u + 150u);
  EXPECT_EQ(FilesUnder(fourSaved.Native()), files);
  for (const std::string& file : {files.front(), files.back()}) {
    EXPECT_EQ(ReadFile(fourSaved.Native() + "/" + file), ReadFile(saved.Native() + "/" + file));
  }
  // Paths in the log are in this system's form: the keyword album's folder
  // line has its separators only ("/"; "\\" on Windows), whatever the program
  // joined it with.
  const char separator = platform::NativeSeparator();
  const std::string s(1, separator);
  EXPECT_NE(one.out.find(saved.Native() + s + "cat_" + s + Utf8(u8"创建成功\n")), std::string::npos)
      << one.out;
  if (separator == '/') {
    EXPECT_EQ(one.out.find('\\'), std::string::npos) << one.out;
  }
  // The log names the save folder once (the keyword album's folder line).
  const auto withoutFolder = [](std::string log, const std::string& folder) {
    for (size_t at; (at = log.find(folder)) != std::string::npos;)
      log.replace(at, folder.size(), "");
    return log;
  };
  EXPECT_EQ(withoutFolder(four.out, fourSaved.Native()), withoutFolder(one.out, saved.Native()));
}

TEST_F(AlbumdlTest, PickTicksExactlyTheGivenSerials) {
  const Outcome run = Run({"-o", saved.Native(), "--pick", "2-3", Board(demosite::kSpringBoardId),
                           Board(demosite::kEmptyBoardId), Board(demosite::kFlowersBoardId)});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find(Utf8(u8"当前被选择相册编号:2、3、\n")), std::string::npos) << run.out;
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 12u);
  EXPECT_EQ(PictureRequests(), 12);
}

// The record store in use elsewhere: a program reading it (the sqlite3
// shell's BEGIN; SELECT ...) and a second run of the same album started while
// the first runs. Neither may turn the duplicate switch off.
TEST_F(AlbumdlTest, ARecordStoreInUseElsewhereStillSkipsWhatItHolds) {
  const std::vector<std::string> album{"-q", "--skip-downloaded", Board(demosite::kFlowersBoardId)};
  std::vector<std::string> arguments{"-o", saved.Native()};
  arguments.insert(arguments.end(), album.begin(), album.end());
  ASSERT_EQ(Run(arguments).status, 0);
  ASSERT_EQ(PictureRequests(), 12);

  sqlite3* reader = nullptr;
  const std::string store = home.Native() + "/" + Utf8(u8"防止重复下载数据库") + "/flowers.edb";
  ASSERT_EQ(sqlite3_open_v2(store.c_str(), &reader, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM photos;", nullptr, nullptr, nullptr),
            SQLITE_OK);
  site.ClearRequests();
  const Outcome whileRead = Run(arguments);
  sqlite3_close(reader);
  EXPECT_EQ(whileRead.status, 0) << whileRead.err;
  EXPECT_EQ(PictureRequests(), 0) << "every picture is on record";

  // Two runs: the second starts once the first has saved and recorded two
  // pictures and is fetching its third; every picture is a little slow.
  TempDir otherHome, otherSaved;
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 150;
  site.SetFault("/img/", slow);
  site.ClearRequests();
  const auto start = [&](const std::string& name) {
    return testing::StartAlbumdl(
        DownloadArguments(site.SiteHost(), otherHome.Native(), otherSaved.Native(), album),
        scratch.NativeFile(name + ".out"), scratch.NativeFile(name + ".err"));
  };
  const testing::Child first = start("first");
  while (PictureRequests() < 3 && !testing::ChildHasEnded(first)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const int beforeSecond = PictureRequests();
  const testing::Child second = start("second");
  EXPECT_EQ(testing::ExitStatusOf(first), 0) << ReadFile(scratch.NativeFile("first.err"));
  EXPECT_EQ(testing::ExitStatusOf(second), 0) << ReadFile(scratch.NativeFile("second.err"));
  EXPECT_GE(beforeSecond, 3);
  // The second skipped at least what the first had recorded before it began.
  EXPECT_LE(PictureRequests(), 12 + 12 - (beforeSecond - 1));
  EXPECT_EQ(FilesUnder(otherSaved.Native()).size(), 12u);
  for (const std::string name : {"first", "second"}) {
    const std::string log =
        ReadFile(scratch.NativeFile(name + ".out")) + ReadFile(scratch.NativeFile(name + ".err"));
    EXPECT_EQ(log.find(Utf8(u8"防止重复下载数据库无法使用")), std::string::npos) << log;
    EXPECT_EQ(log.find(Utf8(u8"下载记录无法保存")), std::string::npos) << log;
  }
}

TEST_F(AlbumdlTest, SaveFolderAndSkipSwitchComeFromTheSettingsFile) {
  const Text settings = home.Path() + "\\peizi.ini";
  platform::WritePrivateProfileString(settings, "全局设置", "保存位置", saved.Path());
  platform::WritePrivateProfileString(settings, "全局设置", "下载记录", "1");
  ASSERT_EQ(Run({Board(demosite::kFlowersBoardId)}).status, 0);
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 12u);
  site.ClearRequests();
  ASSERT_EQ(Run({Board(demosite::kFlowersBoardId)}).status, 0);
  EXPECT_EQ(PictureRequests(), 0);
  // The command line wins over the file.
  ASSERT_EQ(Run({"--no-skip-downloaded", Board(demosite::kFlowersBoardId)}).status, 0);
  EXPECT_EQ(PictureRequests(), 12);
}

// The settings file's lanes when --jobs is not given: each lane fetches over
// a connection of its own.
TEST_F(AlbumdlTest, LanesComeFromTheSettingsFileUnlessGiven) {
  const Text settings = home.Path() + "\\peizi.ini";
  platform::WritePrivateProfileString(settings, "全局设置", "同时下载数", "4");
  const auto pictureConnections = [&] {
    std::set<int> ports;
    for (const auto& request : site.Requests())
      if (request.target.rfind("/img/", 0) == 0) ports.insert(request.remotePort);
    return ports.size();
  };
  // Slow pictures, so that every lane takes one; how many do is the lanes'
  // business, more than one is the key's.
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 50;
  site.SetFault("/img/", slow);
  TempDir four, one;
  ASSERT_EQ(Run({"-o", four.Native(), Board(demosite::kFlowersBoardId)}).status, 0);
  EXPECT_GT(pictureConnections(), 1u);
  EXPECT_LE(pictureConnections(), 4u);
  site.ClearRequests();
  ASSERT_EQ(Run({"-o", one.Native(), "--jobs", "1", Board(demosite::kFlowersBoardId)}).status, 0);
  EXPECT_EQ(pictureConnections(), 1u);
  EXPECT_EQ(FilesUnder(four.Native()), FilesUnder(one.Native()));
}

// The sync and one-copy switches of the settings file; the options win.
TEST_F(AlbumdlTest, SyncAndOneCopySwitchesComeFromTheSettingsFile) {
  const Text settings = home.Path() + "\\peizi.ini";
  platform::WritePrivateProfileString(settings, "全局设置", "保存位置", saved.Path());
  platform::WritePrivateProfileString(settings, "全局设置", "只取新图", "1");
  platform::WritePrivateProfileString(settings, "全局设置", "相同图片只存一份", "1");
  const auto boardRequests = [&] {
    int pages = 0;
    for (const auto& request : site.Requests()) pages += request.target.rfind("/boards/", 0) == 0;
    return pages;
  };
  // The two boards share three pictures: fetched once.
  const std::vector<std::string> both{"--all", Board(demosite::kRepinsABoardId),
                                      Board(demosite::kRepinsBBoardId)};
  ASSERT_EQ(Run(both).status, 0);
  EXPECT_EQ(PictureRequests(), 20 - demosite::kSharedRepins);
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 20u);
  // Up to date: each board's answer and its newest page, no picture.
  site.ClearRequests();
  ASSERT_EQ(Run(both).status, 0);
  EXPECT_EQ(PictureRequests(), 0);
  EXPECT_EQ(boardRequests(), 4);

  TempDir other;
  site.ClearRequests();
  ASSERT_EQ(Run({"-o", other.Native(), "--no-sync", "--no-link-duplicates", "--all",
                 Board(demosite::kRepinsABoardId), Board(demosite::kRepinsBBoardId)})
                .status,
            0);
  EXPECT_EQ(PictureRequests(), 20);
}

TEST_F(AlbumdlTest, FailedPicturesGiveExitStatusOne) {
  demosite::Fault missing;
  missing.kind = demosite::Fault::Kind::kStatus;
  missing.status = 404;
  site.SetFault("/img/flowers-3", missing);
  const Outcome run = Run({"-o", saved.Native(), Board(demosite::kFlowersBoardId)});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_EQ(FilesUnder(saved.Native()).size(), 11u);
}

// Ctrl-C (on Windows Ctrl-Break, the console event a child in a process group
// of its own can be sent) ends the run at its next safe point, status 130.
// test_cli_posix has SIGTERM and SIGHUP too.
TEST_F(AlbumdlTest, InterruptEndsTheRunWithStatus130) {
  // Wine delivers no console event to a child of a program without a terminal,
  // as ctest runs it (GenerateConsoleCtrlEvent fails).
  if (testing::RunningUnderWine()) GTEST_SKIP() << "Wine sends no console event here";
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 20000;
  site.SetFault("/img/", slow);
  const testing::Child child =
      StartAlbumdl(DownloadArguments(site.SiteHost(), home.Native(), saved.Native(),
                                     {Board(demosite::kFlowersBoardId)}),
                   scratch);
  ASSERT_NE(child, testing::kNoChild);
  while (PictureRequests() == 0 && !testing::ChildHasEnded(child)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(PictureRequests(), 1);
  testing::InterruptChild(child);
  const Outcome run = FinishAlbumdl(child, scratch);
  EXPECT_EQ(run.status, 130) << run.out << run.err;
  EXPECT_NE(run.out.find(Utf8(u8"执行了结束下载")), std::string::npos) << run.out;
  EXPECT_TRUE(FilesUnder(saved.Native()).empty());
}

}  // namespace
}  // namespace albumdl
