// The stand-in site over real HTTP on loopback: what the downloader sends and
// reads, the fault switches and their command-line form, the latency, raw
// answers and the hostile data set, and the request record.
#include <gtest/gtest.h>
#include <httplib.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "demo_data.h"
#include "demo_site.h"
#include "fault_setting.h"
#include "hostile_data.h"
#include "support/albumdl_process.h"
#include "support/socket_calls.h"
#include "support/temp_dir.h"
#include "support/this_program.h"

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
  using namespace albumdl::testing;
  const SocketHandle sock = ConnectToLoopback(port);
  std::string reply;
  if (sock == kNoSocket) return reply;
  SendAll(sock, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
  char buffer[4096];
  long got;
  while ((got = ReceiveSome(sock, buffer, sizeof buffer)) > 0) {
    reply.append(buffer, static_cast<size_t>(got));
  }
  CloseSocket(sock);
  return reply;
}

// A raw reply cut at the blank line: the status line and headers, and the body.
struct RawReply {
  std::string head;
  std::string body;
  bool complete = false;  // the blank line was there
};

RawReply SplitReply(const std::string& raw) {
  auto end = raw.find("\r\n\r\n");
  if (end == std::string::npos) return {raw, "", false};
  return {raw.substr(0, end + 2), raw.substr(end + 4), true};
}

// The value of a header line of a raw head, empty when absent.
std::string HeadValue(const std::string& head, const std::string& name) {
  return Between(head, "\r\n" + name + ": ", "\r\n");
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
    site.KeepRequests();
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

  Board quoted;
  quoted.id = "q";
  quoted.title = "say \"hi\"";
  quoted.pinCount = 42;
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

  Board stingy;
  stingy.id = stingy.title = "stingy";
  stingy.pins = NumberedPins("s", 70, 1000);
  stingy.pageLimit = 30;
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

  Search gappy;
  gappy.keyword = "gap";
  gappy.text = "gap text";
  gappy.pins = NumberedPins("g", 250, 500);
  gappy.total = 999;
  gappy.emptyPages = {2};
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

TEST(DemoSiteRecord, KeepsOnlyTheRequestsItIsAskedForAndNoMore) {
  DemoSite site(true);
  int observed = 0;
  site.SetRequestObserver([&](const demosite::RequestRecord&) { ++observed; });
  ASSERT_TRUE(site.Start(0));
  httplib::Client client("127.0.0.1", site.Port());
  client.set_keep_alive(true);
  for (int i = 0; i < 3; ++i) client.Get("/version");
  EXPECT_TRUE(site.Requests().empty()) << "nobody asked for a record";
  EXPECT_EQ(site.ConnectionCount(), 0);
  EXPECT_EQ(observed, 3) << "the observer sees every request all the same";

  site.KeepRequests(2);
  for (const char* target : {"/a", "/b", "/c"}) client.Get(target);
  client.Post("/feedback", std::string(DemoSite::kMostKeptBodyBytes + 10, 'x'), "text/plain");
  const auto kept = site.Requests();
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].target, "/c");
  EXPECT_EQ(kept[1].target, "/feedback");
  EXPECT_EQ(kept[1].body.size(), DemoSite::kMostKeptBodyBytes);
  EXPECT_EQ(site.ConnectionCount(), 1);

  site.KeepRequests(0);
  EXPECT_TRUE(site.Requests().empty());
  client.Get("/d");
  EXPECT_TRUE(site.Requests().empty());
  EXPECT_EQ(observed, 8);
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

TEST(FaultSetting, ReadsEveryKindAndOption) {
  std::string error;
  auto busy = demosite::ParseFaultSetting("/img/=status:503,retry-after=2,first=3", error);
  ASSERT_TRUE(busy) << error;
  EXPECT_EQ(busy->pathPrefix, "/img/");
  EXPECT_EQ(busy->fault.kind, Fault::Kind::kStatus);
  EXPECT_EQ(busy->fault.status, 503);
  EXPECT_EQ(busy->fault.retryAfter, 2);
  EXPECT_EQ(busy->fault.firstN, 3);

  auto half = demosite::ParseFaultSetting("/boards/travel/=reset,share=0.5", error);
  ASSERT_TRUE(half) << error;
  EXPECT_EQ(half->fault.kind, Fault::Kind::kReset);
  EXPECT_DOUBLE_EQ(half->fault.fraction, 0.5);
  EXPECT_EQ(half->fault.firstN, -1);

  auto trickle = demosite::ParseFaultSetting("/img/=trickle:16/250", error);
  ASSERT_TRUE(trickle) << error;
  EXPECT_EQ(trickle->fault.trickleBytes, 16);
  EXPECT_EQ(trickle->fault.trickleMs, 250);
  auto huge = demosite::ParseFaultSetting("/img/a.jpg=huge:100,length=no", error);
  ASSERT_TRUE(huge) << error;
  EXPECT_EQ(huge->fault.hugeMegabytes, 100);
  EXPECT_FALSE(huge->fault.hugeLength);
  auto cut = demosite::ParseFaultSetting("/x=truncate:10", error);
  ASSERT_TRUE(cut) << error;
  EXPECT_EQ(cut->fault.truncateAt, 10);
  EXPECT_EQ(demosite::ParseFaultSetting("/x=truncate", error)->fault.truncateAt, -1);
  EXPECT_EQ(demosite::ParseFaultSetting("/x=notpicture:json", error)->fault.imposter,
            Fault::Imposter::kJson);
  EXPECT_EQ(demosite::ParseFaultSetting("/x=delay:1500", error)->fault.delayMs, 1500);
  EXPECT_EQ(demosite::ParseFaultSetting("/x=badjson", error)->fault.kind, Fault::Kind::kBadJson);
  EXPECT_EQ(demosite::ParseFaultSetting("/x=empty", error)->fault.kind, Fault::Kind::kEmptyBody);
  auto closeCut = demosite::ParseFaultSetting("/img/=cut:12,first=1", error);
  ASSERT_TRUE(closeCut) << error;
  EXPECT_EQ(closeCut->fault.kind, Fault::Kind::kCut);
  EXPECT_EQ(closeCut->fault.truncateAt, 12);
  EXPECT_EQ(demosite::ParseFaultSetting("/x=cut", error)->fault.truncateAt, -1);
  EXPECT_EQ(demosite::ParseFaultSetting("/x=compress:gzip", error)->fault.coding,
            Fault::Coding::kGzip);
  EXPECT_EQ(demosite::ParseFaultSetting("/x=compress:deflate", error)->fault.coding,
            Fault::Coding::kDeflate);

  // Each mistake is named by what is wrong.
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"/img/", "no \"=\""},
      {"img/=reset", "must start with \"/\""},
      {"/img/=status", "status needs a code"},
      {"/img/=status:99", "status needs a code"},
      {"/img/=reset:1", "reset takes no argument"},
      {"/img/=trickle:4", "trickle needs BYTES/MS"},
      {"/img/=notpicture:gif", "notpicture needs json, text or html"},
      {"/img/=huge:0", "huge needs a size"},
      {"/img/=cut:half", "cut takes the number of bytes"},
      {"/img/=compress:br", "compress needs gzip or deflate"},
      {"/img/=compress", "compress needs gzip or deflate"},
      {"/img/=melt", "unknown fault kind \"melt\""},
      {"/img/=", "the fault kind is missing"},
      {"/img/=reset,retry-after=3", "retry-after goes only with status"},
      {"/img/=reset,share=0", "share needs a number above 0"},
      {"/img/=reset,share=1.5", "share needs a number above 0"},
      {"/img/=reset,first=-1", "first needs a whole number"},
      {"/img/=reset,often=2", "unknown option \"often\""},
      {"/img/=reset,", "an empty option"},
      {"/img/=status:503,length=no", "length goes only with huge"},
  };
  for (const auto& [setting, message] : bad) {
    EXPECT_FALSE(demosite::ParseFaultSetting(setting, error)) << setting;
    EXPECT_NE(error.find(message), std::string::npos) << setting << ": " << error;
  }
}

// The program started with a fault and a latency, and refused with a bad fault.
TEST(DemoSiteProgram, TakesFaultsAndLatencyOnItsCommandLine) {
  albumdl::testing::TempDir scratch;
  using namespace albumdl::testing;
  auto start = [&](const std::vector<std::string>& arguments) {
    return StartProgram(DemoSiteProgram(), arguments, scratch.NativeFile("out.txt"),
                        scratch.NativeFile("err.txt"));
  };
  auto read = [&](const std::string& name) { return ReadNativeFile(scratch.NativeFile(name)); };

  const Child bad = start({"--fault", "/img/=status:503", "--fault", "/img/=reset,first=x"});
  ASSERT_NE(bad, kNoChild);
  EXPECT_EQ(WaitForChild(bad), 2);
  EXPECT_NE(read("err.txt").find("bad --fault \"/img/=reset,first=x\": first needs"),
            std::string::npos)
      << read("err.txt");

  const Child site =
      start({"--port", "0", "--latency", "200", "--fault", "/img/=status:503,first=1"});
  ASSERT_NE(site, kNoChild);
  int port = 0;
  for (int i = 0; i < 500 && port == 0; ++i) {
    std::string address = Between(read("out.txt"), "listening on http://127.0.0.1:", "\n");
    if (!address.empty()) port = std::stoi(address);
    if (port == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GT(port, 0) << read("err.txt");
  httplib::Client client("127.0.0.1", port);
  auto before = std::chrono::steady_clock::now();
  auto first = client.Get("/img/spring-1.png");
  auto second = client.Get("/img/spring-1.png");
  auto waited = std::chrono::steady_clock::now() - before;
  // Under Wine no console event reaches a child of a program without a
  // terminal (GenerateConsoleCtrlEvent fails): there the site is ended instead,
  // and its own way out is not seen.
  if (RunningUnderWine()) {
    KillChild(site);
    WaitForChild(site);
  } else {
    AskChildToStop(site);
    EXPECT_EQ(WaitForChild(site), 0);
  }
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_EQ(first->status, 503);
  EXPECT_EQ(second->status, 200);
  EXPECT_EQ(second->body, DemoSite::PictureBytes("spring-1.png"));
  EXPECT_GE(waited, std::chrono::milliseconds(400));
}

TEST_F(DemoSiteTest, LatencyDelaysEveryAnswerWithoutQueuingConnections) {
  using Clock = std::chrono::steady_clock;
  const auto latency = std::chrono::milliseconds(1000);
  site.SetLatency(static_cast<int>(latency.count()));
  std::mutex mutex;
  std::vector<Clock::time_point> arrived;  // requests, as the site records them
  site.SetRequestObserver([&](const demosite::RequestRecord&) {
    std::lock_guard lock(mutex);
    arrived.push_back(Clock::now());
  });
  std::vector<std::thread> clients;
  std::vector<int> statuses(8, 0);
  std::vector<Clock::time_point> sent(8), answered(8);
  for (int i = 0; i < 8; ++i) {
    clients.emplace_back([&, i] {
      httplib::Client own("127.0.0.1", site.Port());
      sent[i] = Clock::now();
      auto res = own.Get("/version");
      answered[i] = Clock::now();
      statuses[i] = res ? res->status : 0;
    });
  }
  for (auto& client : clients) client.join();
  site.SetRequestObserver(nullptr);
  EXPECT_EQ(statuses, std::vector<int>(8, 200));
  for (int i = 0; i < 8; ++i) EXPECT_GE(answered[i] - sent[i], latency);
  // Side by side: every request reached the site before the first answer left
  // it. Waiting in turn, the second would arrive only after the first answer.
  ASSERT_EQ(arrived.size(), 8u);
  EXPECT_LT(*std::max_element(arrived.begin(), arrived.end()),
            *std::min_element(answered.begin(), answered.end()));

  site.SetLatency(0);
  auto before = Clock::now();
  ASSERT_TRUE(client->Get("/version"));
  EXPECT_LT(Clock::now() - before, latency);
}

TEST_F(DemoSiteTest, PictureAnswersThatAreNoPictures) {
  const std::string picture = DemoSite::PictureBytes("spring-1.png");
  std::vector<std::pair<Fault::Imposter, std::string>> variants = {
      {Fault::Imposter::kJson, "json"},
      {Fault::Imposter::kText, "text"},
      {Fault::Imposter::kHtml, "html"}};
  std::set<std::string> bodies;
  for (const auto& [imposter, name] : variants) {
    Fault fault;
    fault.kind = Fault::Kind::kNotPicture;
    fault.imposter = imposter;
    site.SetFault("/img/", fault);
    auto res = client->Get("/img/spring-1.png");
    ASSERT_TRUE(res) << name;
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "image/png") << name;
    EXPECT_NE(res->body.compare(0, 4, "\x89PNG"), 0) << name;
    EXPECT_EQ(Json::accept(res->body), imposter == Fault::Imposter::kJson) << name;
    EXPECT_EQ(res->body.find("<html") != std::string::npos, imposter == Fault::Imposter::kHtml);
    bodies.insert(res->body);
  }
  EXPECT_EQ(bodies.size(), 3u);
  Fault fault;
  fault.kind = Fault::Kind::kNotPicture;
  site.SetFault("/img/", fault);
  EXPECT_EQ(client->Get("/img/k.jpg")->get_header_value("Content-Type"), "image/jpeg");
  site.ClearFaults();
  EXPECT_EQ(Body("/img/spring-1.png"), picture);
}

TEST_F(DemoSiteTest, TruncateTrickleAndHugeBodies) {
  const std::string picture = DemoSite::PictureBytes("spring-1.png");

  Fault cut;
  cut.kind = Fault::Kind::kTruncate;
  cut.truncateAt = 10;
  site.SetFault("/img/", cut);
  RawReply shortReply = SplitReply(RawGet(site.Port(), "/img/spring-1.png"));
  ASSERT_TRUE(shortReply.complete);
  EXPECT_EQ(HeadValue(shortReply.head, "Content-Length"), std::to_string(picture.size()));
  EXPECT_EQ(shortReply.body, picture.substr(0, 10));  // and then the connection closed

  Fault trickle;
  trickle.kind = Fault::Kind::kTrickle;
  trickle.trickleBytes = 40;
  trickle.trickleMs = 100;
  site.SetFault("/img/", trickle);
  auto before = std::chrono::steady_clock::now();
  auto slow = client->Get("/img/spring-1.png");
  auto took = std::chrono::steady_clock::now() - before;
  ASSERT_TRUE(slow);
  EXPECT_EQ(slow->body, picture);
  EXPECT_EQ(slow->get_header_value("Content-Length"), std::to_string(picture.size()));
  int pauses = static_cast<int>((picture.size() + 39) / 40) - 1;
  EXPECT_GE(took, std::chrono::milliseconds(100 * pauses));

  Fault huge;
  huge.kind = Fault::Kind::kHuge;
  huge.hugeMegabytes = 3;
  site.SetFault("/img/", huge);
  for (bool withLength : {true, false}) {
    huge.hugeLength = withLength;
    site.SetFault("/img/", huge);
    RawReply big = SplitReply(RawGet(site.Port(), "/img/spring-1.png"));
    ASSERT_TRUE(big.complete);
    EXPECT_EQ(HeadValue(big.head, "Content-Length"), withLength ? "3145728" : "");
    EXPECT_EQ(HeadValue(big.head, "Content-Type"), "image/png");
    ASSERT_EQ(big.body.size(), 3u << 20) << withLength;
    EXPECT_EQ(big.body.substr(0, picture.size()), picture);
    EXPECT_EQ(big.body.find_first_not_of('\0', picture.size()), std::string::npos);
  }
  auto kept = client->Get("/img/spring-1.png");  // a client that keeps its connection
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->body.size(), 3u << 20);

  // Cut without a length: the close is the only end the client sees, on a
  // connection it meant to keep.
  Fault closeCut;
  closeCut.kind = Fault::Kind::kCut;
  site.SetFault("/img/", closeCut);
  for (long long at : {-1LL, 7LL}) {
    closeCut.truncateAt = at;
    site.SetFault("/img/", closeCut);
    auto half = client->Get("/img/spring-1.png");
    ASSERT_TRUE(half);
    EXPECT_EQ(half->status, 200);
    EXPECT_FALSE(half->has_header("Content-Length"));
    EXPECT_FALSE(half->has_header("Transfer-Encoding"));
    EXPECT_EQ(half->get_header_value("Connection"), "close");
    EXPECT_EQ(half->body, picture.substr(0, at < 0 ? picture.size() / 2 : at));
  }
}

// zlib's inflate of a gzip or zlib stream; empty when it is not whole.
std::string Inflated(const std::string& coded) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 32) != Z_OK) return {};  // +32: either wrapper
  std::string out(1 << 20, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(coded.data()));
  stream.avail_in = static_cast<uInt>(coded.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const bool whole = inflate(&stream, Z_FINISH) == Z_STREAM_END;
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return whole ? out : std::string();
}

TEST_F(DemoSiteTest, CompressedAnswersWhateverTheRequestAsked) {
  const std::string page = "/boards/travel/?isgtq0gn&max=&limit=100&wfl=1";
  const std::string plainPage = SplitReply(RawGet(site.Port(), page)).body;
  const std::string picture = DemoSite::PictureBytes("spring-1.png");
  for (const auto& [coding, name, magic] :
       {std::tuple{Fault::Coding::kGzip, "gzip", std::string("\x1F\x8B")},
        std::tuple{Fault::Coding::kDeflate, "deflate", std::string("\x78")}}) {
    Fault compress;
    compress.kind = Fault::Kind::kCompress;
    compress.coding = coding;
    site.SetFault("/", compress);
    for (const auto& [target, plain] :
         {std::pair{page, plainPage}, std::pair{std::string("/img/spring-1.png"), picture}}) {
      RawReply reply = SplitReply(RawGet(site.Port(), target));  // asks for no coding
      ASSERT_TRUE(reply.complete) << target;
      EXPECT_EQ(HeadValue(reply.head, "Content-Encoding"), name) << target;
      EXPECT_EQ(HeadValue(reply.head, "Content-Length"), std::to_string(reply.body.size()));
      EXPECT_EQ(reply.body.compare(0, magic.size(), magic), 0) << target;
      EXPECT_EQ(Inflated(reply.body), plain) << name << " " << target;
    }
  }
}

TEST_F(DemoSiteTest, RawAnswersReplaceTheSiteForOneTarget) {
  demosite::RawAnswer byPath;
  byPath.status = 202;
  byPath.headers = {{"Content-Type", "text/x-odd"}, {"X-Odd", "1"}};
  byPath.body = "by path";
  site.SetRawAnswer("/boards/travel/", byPath);
  demosite::RawAnswer byTarget = byPath;
  byTarget.body = "by target";
  site.SetRawAnswer("/boards/travel/?max=5", byTarget);

  auto path = client->Get("/boards/travel/");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->status, 202);
  EXPECT_EQ(path->body, "by path");
  EXPECT_EQ(path->get_header_value("Content-Type"), "text/x-odd");
  EXPECT_EQ(path->get_header_value("X-Odd"), "1");
  EXPECT_EQ(Body("/boards/travel/?max=5"), "by target");
  EXPECT_EQ(Body("/boards/travel/?max=6"), "by path");

  // A body made piece by piece: with a true length, chunked, or ended by the close.
  demosite::RawAnswer pieces;
  pieces.headers = {{"Content-Type", "application/json"}};
  pieces.pieces = [](size_t i) { return i < 3 ? std::to_string(i) + "," : ""; };
  pieces.contentLength = 6;
  site.SetRawAnswer("/pieces", pieces);
  RawReply sized = SplitReply(RawGet(site.Port(), "/pieces"));
  EXPECT_EQ(HeadValue(sized.head, "Content-Length"), "6");
  EXPECT_EQ(sized.body, "0,1,2,");
  pieces.contentLength.reset();
  pieces.chunked = true;
  site.SetRawAnswer("/pieces", pieces);
  auto chunked = client->Get("/pieces");
  ASSERT_TRUE(chunked);
  EXPECT_EQ(chunked->get_header_value("Transfer-Encoding"), "chunked");
  EXPECT_EQ(chunked->body, "0,1,2,");
  pieces.chunked = false;
  site.SetRawAnswer("/pieces", pieces);
  RawReply closing = SplitReply(RawGet(site.Port(), "/pieces"));
  EXPECT_EQ(HeadValue(closing.head, "Content-Length"), "");
  EXPECT_EQ(closing.body, "0,1,2,");
  // A length the pieces fall short of: what there is, then the connection closes.
  pieces.contentLength = 100;
  site.SetRawAnswer("/pieces", pieces);
  RawReply promised = SplitReply(RawGet(site.Port(), "/pieces"));
  EXPECT_EQ(HeadValue(promised.head, "Content-Length"), "100");
  EXPECT_EQ(promised.body, "0,1,2,");

  // Faults still come first.
  Fault busy;
  busy.status = 503;
  site.SetFault("/boards/travel/", busy);
  EXPECT_EQ(client->Get("/boards/travel/")->status, 503);
  site.ClearFaults();
  site.ClearRawAnswers();
  EXPECT_EQ(Between(Body("/boards/travel/"), "\"pin_count\":", ","), "20");
}

TEST(HostileData, AnswersCarryTheHostileBytesAsTheyAre) {
  DemoSite site(true);
  demosite::AddHostileData(site);
  ASSERT_TRUE(site.Start(0));
  httplib::Client client("127.0.0.1", site.Port());
  auto body = [&](const std::string& target) {
    auto res = client.Get(target.c_str());
    return res ? res->body : "";
  };
  auto title = [&](const std::string& id) {
    return Between(body("/boards/" + id + "/"), "title\":\"", "\",\"pin_count");
  };
  EXPECT_EQ(title(demosite::kControlsBoardId), "ESC\x1b[31mred\x1b[0m BEL\x07 CR\r LF\n end");
  EXPECT_EQ(title(demosite::kLongTitleBoardId).size(), 300u);
  std::string badUtf8 = title(demosite::kBadUtf8BoardId);
  EXPECT_NE(badUtf8.find("\xFF\xFE"), std::string::npos);
  EXPECT_NE(badUtf8.find("\xC0\xAF"), std::string::npos);
  EXPECT_NE(title(demosite::kEmojiBoardId).find("\xF0\x9F\x98\x80"), std::string::npos);
  for (const char* id :
       {demosite::kDotDotBoardId, demosite::kSlashBoardId, demosite::kBackslashBoardId}) {
    // Sent as typed, without the clean-up a client library may do.
    std::string reply = RawGet(site.Port(), std::string("/boards/") + id + "/");
    EXPECT_NE(reply.find(R"("pin_count":3,)"), std::string::npos) << id;
  }
  EXPECT_EQ(Between(body("/boards/hostile-count/"), "\"pin_count\":", ",").size(), 400u);
  EXPECT_EQ(Between(body("/search/?q=hostile-total"), "\"total\":", "},").size(), 400u);
  EXPECT_EQ(Between(body("/search/?q=hostile-controls"), "\"text\":\"", "\","),
            "ESC\x1b[1m BEL\x07 CR\r LF\n");
  EXPECT_NE(body("/search/?q=%F0%9F%98%80").find("\xF0\x9F\x98\x80"), std::string::npos);

  Json keys = Json::parse(body(demosite::FirstPageTarget(demosite::kBadKeysBoardId)));
  std::set<std::string> keyTexts;
  for (const Json& pin : keys["board"]["pins"]) keyTexts.insert(pin["file"]["key"]);
  for (const char* key : {"../escape-1.jpg", "a/b/escape-2.jpg", "..\\escape-3.jpg"}) {
    EXPECT_TRUE(keyTexts.count(key)) << key;
  }
  Json ids = Json::parse(body(demosite::FirstPageTarget(demosite::kBadPinIdsBoardId)));
  std::set<std::string> idTexts;
  int numbers = 0;
  for (const Json& pin : ids["board"]["pins"]) {
    idTexts.insert(pin["pin_id"].dump());
    numbers += pin["pin_id"].is_number_integer();
  }
  for (const char* id : {R"("../x")", R"("a/b")", R"("..\\x")", R"({"id":4})", "[5]", "null"}) {
    EXPECT_TRUE(idTexts.count(id)) << id;
  }
  EXPECT_EQ(numbers, 1);  // -8; the other numbers are too big or not whole

  for (auto [id, levels] : {std::pair{demosite::kDeepKeyBoardId, demosite::kDeepKeyLevels},
                            std::pair{demosite::kDeeperKeyBoardId, demosite::kDeeperKeyLevels}}) {
    std::string page = body(demosite::FirstPageTarget(id));
    const std::string key = "\"" + std::string(id) + "-1.jpg\"";
    const size_t at = page.find(std::string(levels, '[') + key + std::string(levels, ']'));
    ASSERT_NE(at, std::string::npos) << id;
    EXPECT_EQ(page[at - 1], ':') << id;  // exactly that deep
  }

  RawReply huge = SplitReply(RawGet(site.Port(), demosite::FirstPageTarget("hostile-huge-page")));
  EXPECT_EQ(HeadValue(huge.head, "Content-Length"), std::to_string(demosite::kHugePageBytes));
  ASSERT_EQ(huge.body.size(), demosite::kHugePageBytes);
  // One member of filler, then a page with one pin.
  const std::string head = R"({"board":{"board_id":"hostile-huge-page","filler":")";
  const std::string tail = R"(","pins":[{"pin_id":9909001,)";
  ASSERT_EQ(huge.body.compare(0, head.size(), head), 0);
  size_t fillerEnd = huge.body.find_first_not_of('x', head.size());
  EXPECT_EQ(huge.body.compare(fillerEnd, tail.size(), tail), 0);
  EXPECT_TRUE(Json::accept(huge.body.substr(0, head.size()) + huge.body.substr(fillerEnd)));
  EXPECT_EQ(Between(body("/boards/hostile-huge-page/"), "\"pin_count\":", ","), "3");
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
