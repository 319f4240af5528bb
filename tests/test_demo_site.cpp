// The stand-in site over real HTTP on loopback: what the downloader sends and
// reads, the fault switches, and the request record.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "demo_data.h"
#include "demo_site.h"

namespace {

using demosite::Board;
using demosite::DemoSite;
using demosite::Fault;
using demosite::Pin;
using demosite::Search;
using Json = nlohmann::json;

// Tests are compiled with GBK literals; the site speaks UTF-8.
std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// The text between the first left marker and the next right marker, as the
// downloader cuts its answers; empty when either is missing.
std::string Between(const std::string& text, const std::string& left, const std::string& right) {
  auto start = text.find(left);
  if (start == std::string::npos) return "";
  start += left.size();
  auto end = text.find(right, start);
  if (end == std::string::npos) return "";
  return text.substr(start, end - start);
}

// One request on a fresh connection, reading until the server closes it: all
// the bytes that came back, headers included.
std::string RawGet(int port, const std::string& target) {
  int sock = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    std::string request =
        "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    send(sock, request.data(), request.size(), MSG_NOSIGNAL);
    char buffer[4096];
    ssize_t got;
    while ((got = recv(sock, buffer, sizeof buffer, 0)) > 0) reply.append(buffer, got);
  }
  close(sock);
  return reply;
}

std::vector<Pin> NumberedPins(const std::string& prefix, int count, long long firstId) {
  std::vector<Pin> pins;
  for (int i = 0; i < count; ++i) {
    pins.push_back(Pin{firstId - i, prefix + std::to_string(i + 1) + ".jpg", "image/jpeg"});
  }
  return pins;
}

class DemoSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site.Start(0));
    client = std::make_unique<httplib::Client>("127.0.0.1", site.Port());
  }
  void TearDown() override {
    client.reset();
    site.Stop();
  }

  // The body of a GET, empty when it failed.
  std::string Body(const std::string& target, const httplib::Headers& headers = {}) {
    auto res = client->Get(target.c_str(), headers);
    return res ? res->body : "";
  }

  // The pins of one board page, with the downloader's query words.
  Json BoardPage(const std::string& id, const std::string& max, int limit,
                 const httplib::Headers& headers = {}) {
    std::string target =
        "/boards/" + id + "/?isgtq0gn&max=" + max + "&limit=" + std::to_string(limit) + "&wfl=1";
    return Json::parse(Body(target, headers))["board"]["pins"];
  }

  Json SearchPage(const std::string& encodedKeyword, int page) {
    std::string target = "/search/?q=" + encodedKeyword + "&ikswv4bf&page=" + std::to_string(page) +
                         "&per_page=100&wfl=1";
    return Json::parse(Body(target))["pins"];
  }

  DemoSite site;
  std::unique_ptr<httplib::Client> client;
};

TEST_F(DemoSiteTest, BoardAnswerCarriesTheMarkersTheAlbumListCuts) {
  auto res = client->Get("/boards/spring-2024/");
  ASSERT_TRUE(res);
  EXPECT_EQ(Between(res->body, "title\":\"", "\""), U8(u8"春天：樱花/风景。 2024"));
  EXPECT_EQ(Between(res->body, "\"pin_count\":", ","), "6");
  EXPECT_EQ(res->get_header_value_count("Set-Cookie"), 2u);
  std::set<std::string> cookies{res->get_header_value("Set-Cookie", 0),
                                res->get_header_value("Set-Cookie", 1)};
  EXPECT_TRUE(cookies.count("visit=1; Path=/"));
  EXPECT_TRUE(cookies.count("lang=zh; Path=/"));
  EXPECT_EQ(client->Get("/boards/empty/")->get_header_value("Set-Cookie", 0), "visit=2; Path=/");

  Board quoted{"q", "say \"hi\"", {}, false, 42, 100};
  site.AddBoard(quoted);
  std::string body = Body("/boards/q/");
  EXPECT_NE(body.find(R"("title":"say \"hi\"")"), std::string::npos);
  EXPECT_EQ(Between(body, "\"pin_count\":", ","), "42");

  auto missing = client->Get("/boards/no-such-board/");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
  EXPECT_EQ(missing->body.find("title\":\""), std::string::npos);
}

TEST_F(DemoSiteTest, BoardPagesChainOnTheLastPinId) {
  std::vector<size_t> sizes;
  std::set<long long> seen;
  std::string max;
  long long previous = 0;
  for (int page = 0; page < 4; ++page) {
    Json pins = BoardPage("big250", max, 100);
    sizes.push_back(pins.size());
    for (const Json& pin : pins) {
      ASSERT_TRUE(pin["pin_id"].is_number_integer());
      long long id = pin["pin_id"].get<long long>();
      if (previous) {
        EXPECT_LT(id, previous);  // newest first
      }
      previous = id;
      seen.insert(id);
      EXPECT_TRUE(pin["file"]["key"].is_string());
      EXPECT_TRUE(pin["file"]["type"].is_string());
    }
    if (!pins.empty()) max = std::to_string(pins.back()["pin_id"].get<long long>());
  }
  EXPECT_EQ(sizes, (std::vector<size_t>{100, 100, 50, 0}));
  EXPECT_EQ(seen.size(), 250u);

  Board stingy{"stingy", "stingy", NumberedPins("s", 70, 1000), false, {}, 30};
  site.AddBoard(stingy);
  EXPECT_EQ(BoardPage("stingy", "", 100).size(), 30u);
  EXPECT_EQ(BoardPage("stingy", "971", 100).size(), 30u);
  Json last = BoardPage("stingy", "941", 100);
  ASSERT_EQ(last.size(), 10u);
  EXPECT_EQ(last[0]["pin_id"], 940);
  EXPECT_EQ(BoardPage("stingy", "931", 100).size(), 0u);
  EXPECT_EQ(BoardPage("stingy", "", 5).size(), 5u);
}

TEST_F(DemoSiteTest, SearchAnswerAndPages) {
  auto answer = client->Get("/search/?q=cat");
  ASSERT_TRUE(answer);
  EXPECT_EQ(Between(answer->body, "\"text\":\"", "\","), "cat");
  EXPECT_EQ(Between(answer->body, "\"total\":", "},"), "150");
  EXPECT_EQ(answer->get_header_value("Set-Cookie"), "tracker=deleted; Path=/; Max-Age=0");

  EXPECT_EQ(SearchPage("cat%5F", 1).size(), 100u);
  EXPECT_EQ(SearchPage("cat%5F", 2).size(), 50u);
  EXPECT_EQ(SearchPage("cat%5F", 3).size(), 0u);
  EXPECT_EQ(SearchPage("cat%5F", 1)[0]["pin_id"], SearchPage("cat", 1)[0]["pin_id"]);
  EXPECT_EQ(SearchPage("%E6%A8%B1%E8%8A%B1%5F", 1).size(), 7u);
  EXPECT_EQ(Between(Body("/search/?q=%E6%A8%B1%E8%8A%B1"), "\"text\":\"", "\","), U8(u8"樱花"));

  Search gappy{"gap", "gap text", NumberedPins("g", 250, 500), 999, {2}};
  site.AddSearch(gappy);
  EXPECT_EQ(Between(Body("/search/?q=gap"), "\"total\":", "},"), "999");
  EXPECT_EQ(SearchPage("gap%5F", 2).size(), 0u);
  Json third = SearchPage("gap%5F", 3);
  ASSERT_EQ(third.size(), 50u);
  EXPECT_EQ(third[0]["pin_id"], 300);  // the gap does not shift later pages

  std::string unknown = Body("/search/?q=nothing");
  EXPECT_EQ(Between(unknown, "\"text\":\"", "\","), "nothing");
  EXPECT_EQ(Between(unknown, "\"total\":", "},"), "0");
  EXPECT_EQ(SearchPage("nothing%5F", 1).size(), 0u);
}

// Walks the chunks of a PNG: every length in range, every CRC right, IEND last.
bool PngChunksValid(const std::string& png) {
  auto crc = [](const std::string& data) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : data) {
      c ^= b;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
  };
  auto be32 = [&](size_t at) {
    return uint32_t(uint8_t(png[at])) << 24 | uint32_t(uint8_t(png[at + 1])) << 16 |
           uint32_t(uint8_t(png[at + 2])) << 8 | uint32_t(uint8_t(png[at + 3]));
  };
  size_t at = 8;
  std::string type;
  while (at + 12 <= png.size()) {
    uint32_t length = be32(at);
    if (at + 12 + length > png.size()) return false;
    type = png.substr(at + 4, 4);
    if (crc(png.substr(at + 4, 4 + length)) != be32(at + 8 + length)) return false;
    at += 12 + length;
  }
  return at == png.size() && type == "IEND";
}

TEST_F(DemoSiteTest, PicturesAreValidFilesOfTheirType) {
  auto png = client->Get("/img/spring-1.png");
  ASSERT_TRUE(png);
  EXPECT_EQ(png->get_header_value("Content-Type"), "image/png");
  EXPECT_EQ(png->get_header_value("Content-Length"), std::to_string(png->body.size()));
  EXPECT_EQ(png->body.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
  EXPECT_TRUE(PngChunksValid(png->body));
  EXPECT_EQ(png->body, DemoSite::PictureBytes("spring-1.png"));

  auto jpeg = client->Get("/img/spring-2.jpg");
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->get_header_value("Content-Type"), "image/jpeg");
  ASSERT_GT(jpeg->body.size(), 4u);
  EXPECT_EQ(jpeg->body.substr(0, 3), "\xFF\xD8\xFF");
  EXPECT_EQ(jpeg->body.substr(jpeg->body.size() - 2), "\xFF\xD9");

  auto gif = client->Get("/img/spring-3.gif");
  ASSERT_TRUE(gif);
  EXPECT_EQ(gif->get_header_value("Content-Type"), "image/gif");
  EXPECT_EQ(gif->body.substr(0, 6), "GIF89a");
  EXPECT_EQ(gif->body.back(), ';');

  // Every key has its own bytes, the same on every request.
  for (const char* ext : {".png", ".jpg", ".gif"}) {
    EXPECT_NE(DemoSite::PictureBytes(std::string("a") + ext),
              DemoSite::PictureBytes(std::string("b") + ext));
    EXPECT_TRUE(PngChunksValid(DemoSite::PictureBytes(std::string("c") + ext)) ==
                (std::string(ext) == ".png"));
  }
  EXPECT_EQ(Body("/img/any-unknown-key.jpg"), DemoSite::PictureBytes("any-unknown-key.jpg"));

  auto escaped = client->Get("/img/..%2Fsecret.png");
  ASSERT_TRUE(escaped);
  EXPECT_EQ(escaped->status, 404);
  EXPECT_EQ(client->Get("/img/a/../../secret.png")->status, 404);
}

TEST_F(DemoSiteTest, PrivateBoardNeedsTheSessionCookieOfASignIn) {
  EXPECT_EQ(Between(Body("/boards/private-1/"), "\"pin_count\":", ","), "0");
  EXPECT_EQ(BoardPage("private-1", "", 100).size(), 0u);

  std::string form = Body("/login");
  EXPECT_NE(form.find("name=\"username\""), std::string::npos);
  EXPECT_NE(form.find("name=\"password\""), std::string::npos);

  auto refused =
      client->Post("/login", "username=&password=x", "application/x-www-form-urlencoded");
  ASSERT_TRUE(refused);
  EXPECT_FALSE(refused->has_header("Set-Cookie"));

  auto login =
      client->Post("/login", "username=bob&password=x", "application/x-www-form-urlencoded");
  ASSERT_TRUE(login);
  std::string setCookie = login->get_header_value("Set-Cookie");
  ASSERT_EQ(setCookie.rfind("sid=", 0), 0u);
  EXPECT_NE(setCookie.find("; Path=/; HttpOnly"), std::string::npos);
  std::string sid = setCookie.substr(0, setCookie.find(';'));

  httplib::Headers signedIn{{"Cookie", "lang=zh; " + sid + "; visit=3"}};
  EXPECT_EQ(Between(Body("/boards/private-1/", signedIn), "\"pin_count\":", ","), "8");
  EXPECT_EQ(BoardPage("private-1", "", 100, signedIn).size(), 8u);

  httplib::Headers forged{{"Cookie", "sid=made-up"}};
  EXPECT_EQ(BoardPage("private-1", "", 100, forged).size(), 0u);
  httplib::Headers issued{{"Cookie", "sid=" + site.IssueSession()}};
  EXPECT_EQ(BoardPage("private-1", "", 100, issued).size(), 8u);
}

TEST_F(DemoSiteTest, StatusFaultForTheFirstRequestsThenNormal) {
  Fault busy;
  busy.kind = Fault::Kind::kStatus;
  busy.status = 503;
  busy.retryAfter = 7;
  busy.firstN = 2;
  site.SetFault("/boards/", busy);
  for (int i = 0; i < 2; ++i) {
    auto res = client->Get("/boards/big250/");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 503);
    EXPECT_EQ(res->get_header_value("Retry-After"), "7");
  }
  auto res = client->Get("/boards/big250/");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(Between(res->body, "\"pin_count\":", ","), "250");
  EXPECT_EQ(client->Get("/version")->status, 200);  // other paths are not touched
}

TEST_F(DemoSiteTest, ResetAndTruncateBreakTheConnection) {
  Fault reset;
  reset.kind = Fault::Kind::kReset;
  site.SetFault("/img/", reset);
  EXPECT_EQ(RawGet(site.Port(), "/img/spring-1.png"), "");  // not even a status line
  auto failed = client->Get("/img/spring-1.png");
  EXPECT_FALSE(failed);

  Fault truncate;
  truncate.kind = Fault::Kind::kTruncate;
  site.SetFault("/img/", truncate);
  std::string full = DemoSite::PictureBytes("spring-1.png");
  std::string raw = RawGet(site.Port(), "/img/spring-1.png");
  EXPECT_NE(raw.find("Content-Length: " + std::to_string(full.size())), std::string::npos);
  auto headerEnd = raw.find("\r\n\r\n");
  ASSERT_NE(headerEnd, std::string::npos);
  EXPECT_LT(raw.size() - headerEnd - 4, full.size());
  auto cut = client->Get("/img/spring-1.png");
  EXPECT_TRUE(!cut || cut->body.size() < full.size());

  site.ClearFaults();
  auto whole = client->Get("/img/spring-1.png");
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->body, full);
}

TEST_F(DemoSiteTest, BodyFaultsAndShares) {
  Fault bad;
  bad.kind = Fault::Kind::kBadJson;
  site.SetFault("/boards/big250/", bad);
  Fault empty;
  empty.kind = Fault::Kind::kEmptyBody;
  site.SetFault("/search/", empty);
  Fault broken;
  broken.kind = Fault::Kind::kStatus;
  broken.status = 500;
  site.SetFault("/", broken);

  std::string page = Body("/boards/big250/?isgtq0gn&max=&limit=100&wfl=1");
  EXPECT_FALSE(page.empty());
  EXPECT_FALSE(Json::accept(page));
  auto blank = client->Get("/search/?q=cat");
  ASSERT_TRUE(blank);
  EXPECT_EQ(blank->status, 200);
  EXPECT_EQ(blank->body, "");
  EXPECT_EQ(blank->get_header_value("Content-Length"), "0");
  EXPECT_EQ(client->Get("/version")->status, 500);  // the longest matching prefix decides

  Fault half;
  half.kind = Fault::Kind::kStatus;
  half.fraction = 0.5;
  site.SetFault("/version", half);
  std::vector<int> statuses;
  for (int i = 0; i < 4; ++i) statuses.push_back(client->Get("/version")->status);
  EXPECT_EQ(statuses, (std::vector<int>{200, 500, 200, 500}));

  Fault slow;
  slow.kind = Fault::Kind::kDelay;
  slow.delayMs = 150;
  site.SetFault("/version", slow);
  auto before = std::chrono::steady_clock::now();
  auto res = client->Get("/version");
  auto waited = std::chrono::steady_clock::now() - before;
  ASSERT_TRUE(res);
  EXPECT_NE(res->body.find("#albumdl@@"), std::string::npos);
  EXPECT_GE(waited, std::chrono::milliseconds(150));
}

TEST_F(DemoSiteTest, RecordsRequestsAndConnections) {
  Body("/boards/big250/");  // a connection before the window opens
  site.ClearRequests();
  EXPECT_EQ(site.ConnectionCount(), 0);

  client->set_keep_alive(true);
  std::string pageTarget = "/boards/big250/?isgtq0gn&max=&limit=100&wfl=1";
  Body(pageTarget, {{"X-Requested-With", "XMLHttpRequest"}, {"Cookie", "a=1"}});
  Body("/search/?q=cat%5F&ikswv4bf&page=1&per_page=100&wfl=1");
  client->Post("/feedback", "message=hello", "application/x-www-form-urlencoded");
  EXPECT_EQ(site.ConnectionCount(), 1);

  auto records = site.Requests();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].method, "GET");
  EXPECT_EQ(records[0].target, pageTarget);
  EXPECT_EQ(records[0].Header("x-requested-with"), "XMLHttpRequest");
  EXPECT_EQ(records[0].Header("Cookie"), "a=1");
  EXPECT_EQ(records[0].headers.count("REMOTE_ADDR"), 0u);
  EXPECT_EQ(records[1].target, "/search/?q=cat%5F&ikswv4bf&page=1&per_page=100&wfl=1");
  EXPECT_EQ(records[2].method, "POST");
  EXPECT_EQ(records[2].body, "message=hello");
  EXPECT_EQ(records[0].remotePort, records[2].remotePort);

  httplib::Client other("127.0.0.1", site.Port());
  other.Get("/version");
  EXPECT_EQ(site.ConnectionCount(), 2);
}

TEST_F(DemoSiteTest, StopsWithAnIdleConnectionOpenAndRefusesATakenPort) {
  client->set_keep_alive(true);
  ASSERT_TRUE(client->Get("/version"));
  DemoSite second(true);
  EXPECT_FALSE(second.Start(site.Port()));
  site.Stop();  // would wait for the keep-alive to run out if it left the connection be
  EXPECT_FALSE(client->Get("/version"));
  ASSERT_TRUE(site.Start(0));
  httplib::Client again("127.0.0.1", site.Port());
  EXPECT_TRUE(again.Get("/version"));
}

TEST(DemoData, OffersTheCasesTheDownloaderMeets) {
  std::set<long long> ids;
  std::map<std::string, Board> boards;
  for (const Board& board : demosite::DemoBoards()) {
    boards[board.id] = board;
    for (size_t i = 0; i < board.pins.size(); ++i) {
      EXPECT_GT(board.pins[i].pinId, 0);
      EXPECT_TRUE(ids.insert(board.pins[i].pinId).second) << board.pins[i].pinId;
      if (i) {
        EXPECT_LT(board.pins[i].pinId, board.pins[i - 1].pinId);
      }
    }
  }
  for (const std::string& cleaned : {U8(u8"："), U8(u8"/"), U8(u8"。"), U8(u8" ")}) {
    EXPECT_NE(boards[demosite::kSpringBoardId].title.find(cleaned), std::string::npos);
  }
  EXPECT_EQ(boards[demosite::kBigBoardId].pins.size(), 250u);
  EXPECT_TRUE(boards[demosite::kEmptyBoardId].pins.empty());
  EXPECT_TRUE(boards[demosite::kPrivateBoardId].isPrivate);

  std::set<std::string> types;
  for (const auto& [id, board] : boards) {
    for (const Pin& pin : board.pins) {
      types.insert(pin.type);
      std::string ext = pin.key.substr(pin.key.rfind('.'));
      std::string expected = pin.type == "image/png"   ? ".png"
                             : pin.type == "image/gif" ? ".gif"
                                                       : ".jpg";
      EXPECT_EQ(ext, expected) << pin.key;
    }
  }
  EXPECT_EQ(types, (std::set<std::string>{"", "image/png", "image/jpeg", "image/gif"}));
  bool bigSearch = false;
  for (const Search& search : demosite::DemoSearches()) bigSearch |= search.pins.size() > 100;
  EXPECT_TRUE(bigSearch);
}

}  // namespace
