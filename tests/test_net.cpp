// The two request operations, the cookie store, the transfer abort and the site
// addresses, against real HTTP servers on loopback: a raw server that records
// requests byte for byte, and the stand-in site.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "demo_site.h"
#include "net/cookie_store.h"
#include "net/site.h"
#include "net/transfer_abort.h"
#include "net/web_request.h"
#include "net/winhttp_request.h"
#include "platform/files.h"
#include "support/raw_http_server.h"
#include "support/temp_dir.h"

namespace albumdl {
namespace {

using testing::ClosedLoopbackPort;
using testing::MakeResponse;
using testing::RawHttpServer;
using testing::RawRequest;
using testing::RawResponse;

const Text kAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const Text kForm = "application/x-www-form-urlencoded";
using Names = std::vector<std::string>;

class NetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    ClearCookieStore();
  }
  RawRequest Only() {
    const std::vector<RawRequest> requests = server.Requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? RawRequest{} : requests.back();
  }
  RawHttpServer server;
};

// --- The request as it goes out -------------------------------------------

TEST_F(NetTest, WebRequestCompletesEmptyHeadersInOrderAndWritesThemBack) {
  const Text url = server.Url("/page?x=1");
  Text headers;
  WebRequest(url, 0, "", nullptr, nullptr, &headers);
  const RawRequest sent = Only();
  EXPECT_EQ(sent.requestLine, "GET /page?x=1 HTTP/1.1");
  EXPECT_EQ(sent.Names(),
            (Names{"Host", "User-Agent", "Accept", "Referer", "Accept-Language", "Content-Type"}));
  EXPECT_EQ(sent.Values("User-Agent"), Names{kAgent});
  EXPECT_EQ(sent.Values("Accept"), Names{"*/*"});
  EXPECT_EQ(sent.Values("Referer"), Names{url});
  EXPECT_EQ(sent.Values("Accept-Language"), Names{"zh-cn"});
  EXPECT_EQ(sent.Values("Content-Type"), Names{kForm});
  EXPECT_EQ(headers, "Accept: */*\r\nReferer: " + url +
                         "\r\nAccept-Language: zh-cn\r\nContent-Type: " + kForm);
}

TEST_F(NetTest, WebRequestAppendsCookieLineLastAndAgainOnEveryCall) {
  const Text url = server.Url("/c");
  Text cookies = "a=1; b=2";
  Text headers;
  WebRequest(url, 0, "", &cookies, nullptr, &headers);
  EXPECT_EQ(server.Requests().at(0).Names(), (Names{"Host", "User-Agent", "Accept", "Referer",
                                                    "Accept-Language", "Content-Type", "Cookie"}));
  EXPECT_EQ(server.Requests().at(0).Values("Cookie"), Names{"a=1; b=2"});

  // The default lines are found the second time; the Cookie line is not looked for.
  WebRequest(url, 0, "", &cookies, nullptr, &headers);
  const RawRequest second = server.Requests().at(1);
  EXPECT_EQ(second.Values("Accept").size(), 1u);
  EXPECT_EQ(second.Values("Referer").size(), 1u);
  EXPECT_EQ(second.Values("Cookie").size(), 2u);
}

TEST_F(NetTest, WebRequestAgentStringFromCallersLineSentOnce) {
  Text lowerCase = "user-agent: Lower/1.0";
  WebRequest(server.Url("/1"), 0, "", nullptr, nullptr, &lowerCase);
  Text proper = "User-Agent: Proper/2.0\r\nX-A: 1";
  WebRequest(server.Url("/2"), 0, "", nullptr, nullptr, &proper);
  Text xAccept = "X-Accept: text/plain";
  WebRequest(server.Url("/3"), 0, "", nullptr, nullptr, &xAccept);

  const std::vector<RawRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].Values("User-Agent"), Names{"Lower/1.0"});
  EXPECT_EQ(requests[1].Values("User-Agent"), Names{"Proper/2.0"});
  // "X-Accept:" counts as holding "Accept:", and no Accept of the library's own appears.
  EXPECT_TRUE(requests[2].Values("Accept").empty());
  EXPECT_EQ(requests[2].Values("User-Agent"), Names{kAgent});
}

TEST_F(NetTest, WinHttpRequestSetsJsonHeadersInOrderAfterCookie) {
  const Text url = server.Url("/boards/b1/");
  Text cookies = "sid=abc";
  Text headers = kJsonRequestHeaders;
  WinHttpRequest(url, 0, "", &cookies, &cookies, &headers);
  const RawRequest sent = Only();
  EXPECT_EQ(sent.Names(), (Names{"Host", "Cookie", "X-Requested-With", "X-Request", "Accept",
                                 "Referer", "Accept-Language", "User-Agent", "Content-Type"}));
  EXPECT_EQ(sent.Values("Cookie"), Names{"sid=abc"});
  EXPECT_EQ(sent.Values("X-Requested-With"), Names{"XMLHttpRequest"});
  EXPECT_EQ(sent.Values("User-Agent"), Names{kAgent});
  EXPECT_EQ(headers, kJsonRequestHeaders + "\r\nAccept: */*\r\nReferer: " + url +
                         "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + kAgent +
                         "\r\nContent-Type: " + kForm);
}

TEST_F(NetTest, WinHttpRequestSetsEachHeaderOnceAndHonoursHost) {
  // The lower-case agent line does not count as "User-Agent:", so the default is
  // set after it: one header goes out, with the value set last.
  Text headers = "user-agent: Mine\r\nHost: site.example\r\nReferer: http://a.example:81/p";
  WinHttpRequest(server.Url("/h"), 0, "", nullptr, nullptr, &headers);
  const RawRequest sent = Only();
  EXPECT_EQ(sent.Values("User-Agent"), Names{kAgent});
  EXPECT_EQ(sent.Values("Host"), Names{"site.example"});
  EXPECT_EQ(sent.Values("Referer"), Names{"http://a.example:81/p"});
  EXPECT_TRUE(sent.Values("Cookie").empty());
  EXPECT_TRUE(sent.Values("Expect").empty());
}

TEST_F(NetTest, LineBreaksInCookiesOrHeaderValuesAddNoHeaderLines) {
  Text cookies = "a=1\r\nX-Injected: 1";
  Text headers = "X-A: 1\nX-Injected: 2\r\nX-B: 3\rX-Injected: 3\r\nX-C: 4";
  Text webHeaders = headers;
  Text webCookies = cookies;
  WinHttpRequest(server.Url("/w"), 0, "", &cookies, nullptr, &headers);
  WebRequest(server.Url("/i"), 0, "", &webCookies, nullptr, &webHeaders);
  for (const RawRequest& sent : server.Requests()) {
    EXPECT_TRUE(sent.Values("X-Injected").empty()) << sent.requestLine;
    EXPECT_TRUE(sent.Values("X-A").empty());
    EXPECT_TRUE(sent.Values("X-B").empty());
    EXPECT_EQ(sent.Values("X-C"), Names{"4"});
    EXPECT_EQ(sent.Values("Cookie"), Names{"a=1X-Injected: 1"});
  }
  EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(NetTest, AddressWithoutSchemeOrWithCapitalSchemeIsPlainHttp) {
  const Text hostPort = "127.0.0.1:" + std::to_string(server.Port());
  EXPECT_EQ(WebRequest(hostPort + "/plain"), "ok");
  EXPECT_EQ(WinHttpRequest("HTTP://" + hostPort + "/caps"), "ok");
  EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(NetTest, TypedAddressesGoOutAsABrowserSendsThem) {
  // Chinese characters (code page 936 here) go as UTF-8 percent escapes, a
  // blank as %20; escapes already there and the rest stay as typed.
  const Text typed = server.Url("/search/?q=樱花 x&a=%5F");
  EXPECT_EQ(WinHttpRequest(typed), "ok");
  EXPECT_EQ(WebRequest(typed), "ok");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.Target(), "/search/?q=%E6%A8%B1%E8%8A%B1%20x&a=%5F");
  }
}

// --- Methods and bodies ----------------------------------------------------

TEST_F(NetTest, MethodsOutsideTheRangeSendGetWithoutBody) {
  WebRequest(server.Url("/a"), 7, "ignored");
  WebRequest(server.Url("/b"), -1, "ignored");
  WinHttpRequest(server.Url("/c"), 7);
  for (const RawRequest& sent : server.Requests()) {
    EXPECT_EQ(sent.Method(), "GET");
    EXPECT_TRUE(sent.body.empty());
    EXPECT_TRUE(sent.Values("Content-Length").empty());
  }
  EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(NetTest, PostTextBecomesTheCallersPostBytes) {
  Bytes postBytes;
  WebRequest(server.Url("/post"), 1, "a=1&b=2", nullptr, nullptr, nullptr, nullptr, false,
             &postBytes);
  EXPECT_EQ(postBytes, "a=1&b=2");
  const RawRequest sent = Only();
  EXPECT_EQ(sent.Method(), "POST");
  EXPECT_EQ(sent.body, "a=1&b=2");
  EXPECT_EQ(sent.Values("Content-Type"), Names{kForm});

  // Bytes given win over the text.
  Bytes given = std::string("\x00\x01z", 3);
  WinHttpRequest(server.Url("/bytes"), 1, "text", nullptr, nullptr, nullptr, nullptr, nullptr,
                 false, given);
  EXPECT_EQ(server.Requests().at(1).body, given);
}

TEST_F(NetTest, HeadSendsItsBodyAndDoesNotWaitForAResponseBody) {
  // A HEAD answer announces a length but carries no body; the connection stays open.
  server.SetResponse("/head", RawResponse{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n"
                                          "Set-Cookie: h=1; path=/\r\n\r\n"});
  int status = 0;
  const Bytes body =
      WinHttpRequest(server.Url("/head"), 2, "xyz", nullptr, nullptr, nullptr, nullptr, &status);
  EXPECT_EQ(status, 200);
  EXPECT_TRUE(body.empty());

  Text returnedCookies;
  Text returnedHeaders;
  Bytes postBytes = "pq";
  WebRequest(server.Url("/head"), 2, "", nullptr, &returnedCookies, nullptr, &returnedHeaders,
             false, &postBytes);
  EXPECT_EQ(returnedCookies, "h=1");
  EXPECT_NE(returnedHeaders.find("Content-Length: 10\r\n"), std::string::npos);

  const std::vector<RawRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].requestLine, "HEAD /head HTTP/1.1");
  EXPECT_EQ(requests[0].body, "xyz");
  EXPECT_EQ(requests[1].Method(), "HEAD");
  EXPECT_EQ(requests[1].body, "pq");

  // A redirect answer to HEAD has no body either; it is followed with HEAD,
  // and a 302 drops the body.
  server.SetResponse("/moved", RawResponse{"HTTP/1.1 302 Found\r\nLocation: /head\r\n"
                                           "Content-Length: 5\r\n\r\n"});
  WinHttpRequest(server.Url("/moved"), 2, "xyz", nullptr, nullptr, nullptr, nullptr, &status);
  EXPECT_EQ(status, 200);
  ASSERT_EQ(server.Requests().size(), 4u);
  EXPECT_EQ(server.Requests()[2].Target(), "/moved");
  EXPECT_EQ(server.Requests()[3].requestLine, "HEAD /head HTTP/1.1");
  EXPECT_EQ(server.Requests()[3].body, "");
}

TEST_F(NetTest, CookiesAndCredentialsStayWithTheFirstAddressWhenARedirectLeavesIt) {
  // Another port is another origin: the caller's cookie line and server
  // credentials were meant for the first one only, for HEAD as for GET.
  RawHttpServer other;
  ASSERT_TRUE(other.Start());
  server.SetDefaultResponse(RawResponse{"HTTP/1.1 302 Found\r\nLocation: " + other.Url("/to") +
                                        "\r\nContent-Length: 0\r\n\r\n"});
  other.SetResponse("/to", RawResponse{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"});
  for (const int method : {0, 2}) {
    Text cookies = "s=1";
    WinHttpRequest(server.Url("/from"), method, "", &cookies);
    Text headers = "Authorization: Basic eDp5";
    Text webCookies = "w=1";
    WebRequest(server.Url("/from"), method, "", &webCookies, nullptr, &headers);
  }
  const std::vector<RawRequest> first = server.Requests();
  const std::vector<RawRequest> arrived = other.Requests();
  ASSERT_EQ(first.size(), 4u);
  ASSERT_EQ(arrived.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(first[i].Values("Cookie").size(), 1u) << i;
    EXPECT_EQ(arrived[i].Method(), first[i].Method());
    EXPECT_EQ(arrived[i].Values("Cookie"), Names{}) << arrived[i].Method();
    EXPECT_EQ(arrived[i].Values("Authorization"), Names{}) << arrived[i].Method();
  }
  EXPECT_EQ(first[1].Values("Authorization"), Names{"Basic eDp5"});
  EXPECT_EQ(first[3].Values("Authorization"), Names{"Basic eDp5"});

  // Back on the first address after a detour, they go out again.
  server.SetResponse("/back", RawResponse{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"});
  other.SetResponse("/detour", RawResponse{"HTTP/1.1 302 Found\r\nLocation: " +
                                           server.Url("/back") + "\r\nContent-Length: 0\r\n\r\n"});
  server.SetResponse("/start", RawResponse{"HTTP/1.1 302 Found\r\nLocation: " +
                                           other.Url("/detour") + "\r\nContent-Length: 0\r\n\r\n"});
  Text cookies = "s=2";
  WinHttpRequest(server.Url("/start"), 2, "", &cookies);
  ASSERT_EQ(server.Requests().size(), 6u);
  EXPECT_EQ(server.Requests()[5].Target(), "/back");
  EXPECT_EQ(server.Requests()[5].Values("Cookie"), Names{"s=2"});
}

// --- Responses -------------------------------------------------------------

TEST_F(NetTest, SetCookieInAnyCaseIsNormalisedAndCollected) {
  server.SetDefaultResponse(
      MakeResponse("HTTP/1.1 200 OK", "set-cookie: a=1; path=/\r\nSET-COOKIE: b=2\r\n", "body"));
  Text returnedCookies;
  Text returnedHeaders;
  EXPECT_EQ(
      WebRequest(server.Url("/"), 0, "", nullptr, &returnedCookies, nullptr, &returnedHeaders),
      "body");
  EXPECT_EQ(returnedCookies, "a=1; b=2");
  EXPECT_EQ(returnedHeaders.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_NE(returnedHeaders.find("\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"),
            std::string::npos);
  EXPECT_EQ(returnedHeaders.substr(returnedHeaders.size() - 2), "\r\n");

  // The header lines without the status line.
  int status = 0;
  WinHttpRequest(server.Url("/"), 0, "", nullptr, &returnedCookies, nullptr, &returnedHeaders,
                 &status);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(returnedHeaders.rfind("Set-Cookie: a=1; path=/\r\n", 0), 0u);
  EXPECT_EQ(returnedCookies, "a=1;b=2");
}

TEST_F(NetTest, ErrorStatusBodyIsReturnedAsItCame) {
  server.SetDefaultResponse(MakeResponse("HTTP/1.1 404 Not Found", "", "no such page"));
  Text returnedCookies = "stale=1";
  EXPECT_EQ(WebRequest(server.Url("/missing"), 0, "", nullptr, &returnedCookies), "no such page");
  EXPECT_EQ(returnedCookies, "");
  int status = 0;
  EXPECT_EQ(
      WinHttpRequest(server.Url("/missing"), 0, "", nullptr, nullptr, nullptr, nullptr, &status),
      "no such page");
  EXPECT_EQ(status, 404);
}

TEST_F(NetTest, RedirectsFollowedUnlessSwitchedOff) {
  server.SetResponse("/from", MakeResponse("HTTP/1.1 302 Found", "Location: /to\r\n", "moved"));
  server.SetResponse("/to", MakeResponse("HTTP/1.1 200 OK", "X-Last: yes\r\n", "arrived"));

  Text returnedHeaders;
  EXPECT_EQ(
      WebRequest(server.Url("/from"), 0, "", nullptr, nullptr, nullptr, &returnedHeaders, true),
      "moved");
  EXPECT_NE(returnedHeaders.find("Location: /to\r\n"), std::string::npos);
  EXPECT_EQ(server.Requests().size(), 1u);

  EXPECT_EQ(WebRequest(server.Url("/from"), 0, "", nullptr, nullptr, nullptr, &returnedHeaders),
            "arrived");
  EXPECT_EQ(returnedHeaders.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_EQ(returnedHeaders.find("Location:"), std::string::npos);

  int status = 0;
  WinHttpRequest(server.Url("/from"), 0, "", nullptr, nullptr, nullptr, nullptr, &status, true);
  EXPECT_EQ(status, 302);
  EXPECT_EQ(WinHttpRequest(server.Url("/from"), 0, "", nullptr, nullptr, nullptr, nullptr, &status),
            "arrived");
  EXPECT_EQ(status, 200);
}

TEST_F(NetTest, RefusedConnectionGivesEmptyResultsAndNormalisedCookies) {
  const Text url = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/x";
  EXPECT_TRUE(WebRequest(url).empty());

  Text cookies = "a = 1;  b=2; b=2; c=deleted";
  Text returnedCookies = "old";
  Text returnedHeaders = "old";
  int status = -5;
  EXPECT_TRUE(
      WinHttpRequest(url, 0, "", &cookies, &returnedCookies, nullptr, &returnedHeaders, &status)
          .empty());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(returnedHeaders, "");
  EXPECT_EQ(returnedCookies, "");
  EXPECT_EQ(cookies, "a=1; b=2");
}

TEST_F(NetTest, BodyCutShortIsNoBody) {
  server.SetDefaultResponse(
      RawResponse{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nonly part"});
  EXPECT_TRUE(WebRequest(server.Url("/cut")).empty());
  int status = -1;
  EXPECT_TRUE(WinHttpRequest(server.Url("/cut"), 0, "", nullptr, nullptr, nullptr, nullptr, &status)
                  .empty());
  EXPECT_EQ(status, 0);
}

// --- Cookies: the caller's text and the process-wide store -------------------

TEST_F(NetTest, WinHttpRequestSharedCookieVariableHoldsOnlyTheNewCookies) {
  server.SetDefaultResponse(MakeResponse(
      "HTTP/1.1 200 OK", "Set-Cookie: b=3; path=/\r\nSet-Cookie: a=deleted; path=/\r\n", "x"));
  Text shared = "a=1; b=2";
  WinHttpRequest(server.Url("/s"), 0, "", &shared, &shared);
  EXPECT_EQ(server.Requests().at(0).Values("Cookie"), Names{"a=1; b=2"});
  EXPECT_EQ(shared, "b=3");

  Text cookies = "a=1; b=2; c=4";
  Text returnedCookies;
  WinHttpRequest(server.Url("/s"), 0, "", &cookies, &returnedCookies);
  EXPECT_EQ(cookies, "b=3; c=4");
  EXPECT_EQ(returnedCookies, "b=3;a=deleted");
}

TEST_F(NetTest, CookieStoreReadAndWrittenOnlyWhenNoCookiesSupplied) {
  const Text url = server.Url("/store");
  StoreCookies(server.Url(""), "s=1; t=2");
  EXPECT_EQ(StoredCookiesFor(url), "s=1; t=2");
  server.SetDefaultResponse(MakeResponse("HTTP/1.1 200 OK", "Set-Cookie: n=9; Path=/\r\n", "x"));

  // Not supplied: the store's cookies go out and the response's are kept.
  Text returnedCookies;
  WebRequest(url, 0, "", nullptr, &returnedCookies);
  const Names sentCookies = server.Requests().at(0).Values("Cookie");
  ASSERT_EQ(sentCookies.size(), 1u);
  EXPECT_TRUE(sentCookies[0] == "s=1; t=2" || sentCookies[0] == "t=2; s=1") << sentCookies[0];
  EXPECT_EQ(returnedCookies, "n=9");
  EXPECT_NE(StoredCookiesFor(url).find("n=9"), std::string::npos);

  // Supplied, even empty: the store is neither read nor written.
  ClearCookieStore();
  StoreCookies("127.0.0.1", "s=1");
  server.SetDefaultResponse(
      MakeResponse("HTTP/1.1 200 OK", "Set-Cookie: x=1; path=/\r\nSet-Cookie: y=2\r\n", "x"));
  Text cookies;
  WebRequest(url, 0, "", &cookies, &returnedCookies);
  EXPECT_TRUE(server.Requests().at(1).Values("Cookie").empty());
  EXPECT_EQ(cookies, "x=1; y=2");
  EXPECT_EQ(returnedCookies, "x=1;y=2");
  EXPECT_EQ(StoredCookiesFor(url), "s=1");

  Text own = "c=5";
  WebRequest(url, 0, "", &own);
  EXPECT_EQ(server.Requests().at(2).Values("Cookie"), Names{"c=5"});

  // WinHttpRequest never uses the store.
  WinHttpRequest(url);
  EXPECT_TRUE(server.Requests().at(3).Values("Cookie").empty());
  EXPECT_EQ(StoredCookiesFor(url), "s=1");
}

TEST_F(NetTest, CookieStoreIsSharedByAllThreads) {
  server.SetResponse("/set", MakeResponse("HTTP/1.1 200 OK", "Set-Cookie: shared=1\r\n", "x"));
  std::thread other([&] { WebRequest(server.Url("/set")); });
  other.join();
  WebRequest(server.Url("/read"));
  EXPECT_EQ(server.Requests().at(1).Values("Cookie"), Names{"shared=1"});
}

TEST(CookieStore, FilledFromACookieFileAndMatchedByHostPathAndScheme) {
  ClearCookieStore();
  albumdl::testing::TempDir folder;
  const std::string file = folder.NativeFile("cookies.txt");
  ASSERT_TRUE(platform::WriteWholeFile(folder.File("cookies.txt"),
                                       "# Netscape HTTP Cookie File\n"
                                       "127.0.0.1\tFALSE\t/\tFALSE\t0\tplain\t1\r\n"
                                       "#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t0\thidden\t2\n"
                                       "127.0.0.1\tFALSE\t/deep\tFALSE\t0\tdeep\t3\n"
                                       "127.0.0.1\tFALSE\t/\tTRUE\t0\tsecure\t4\n"
                                       "127.0.0.1\tFALSE\t/\tFALSE\t1\texpired\t5\n"
                                       ".example.com\tTRUE\t/\tFALSE\t0\twide\t6\n"
                                       "other.example\tFALSE\t/\tFALSE\t0\tforeign\t7\n"));
  EXPECT_TRUE(LoadCookieFile(file));
  EXPECT_EQ(StoredCookiesFor("http://127.0.0.1:9/x"), "plain=1; hidden=2");
  EXPECT_EQ(StoredCookiesFor("127.0.0.1/deep/er?q=1"), "plain=1; hidden=2; deep=3");
  EXPECT_EQ(StoredCookiesFor("https://127.0.0.1/"), "plain=1; hidden=2; secure=4");
  EXPECT_EQ(StoredCookiesFor("http://img.example.com/"), "wide=6");
  EXPECT_EQ(StoredCookiesFor("http://notexample.com/"), "");
  EXPECT_FALSE(LoadCookieFile(folder.NativeFile("missing.txt")));
  ClearCookieStore();
  EXPECT_EQ(StoredCookiesFor("http://127.0.0.1/"), "");
}

TEST(CookieStore, StoreCookiesIsForThatHostOnly) {
  ClearCookieStore();
  StoreCookies("http://Site.Example:8080/login", " sid = abc ; theme=dark");
  EXPECT_EQ(StoredCookiesFor("http://site.example/boards/1/"), "sid=abc; theme=dark");
  EXPECT_EQ(StoredCookiesFor("http://img.site.example/"), "");
  StoreCookies("site.example", "sid=new");
  EXPECT_EQ(StoredCookiesFor("http://site.example/"), "sid=new; theme=dark");
  ClearCookieStore();
}

// --- Proxy -------------------------------------------------------------------

TEST_F(NetTest, ProxyReceivesAbsoluteAddressAndCredentials) {
  const Text proxy = "127.0.0.1:" + std::to_string(server.Port());
  EXPECT_EQ(WebRequest("http://far.example/page", 0, "", nullptr, nullptr, nullptr, nullptr, false,
                       nullptr, proxy),
            "ok");
  EXPECT_EQ(server.Requests().at(0).Target(), "http://far.example/page");

  server.SetResponse("http://far.example/auth",
                     MakeResponse("HTTP/1.1 407 Proxy Authentication Required",
                                  "Proxy-Authenticate: Basic realm=\"p\"\r\n", ""));
  int status = 0;
  WinHttpRequest("http://far.example/auth", 0, "", nullptr, nullptr, nullptr, nullptr, &status,
                 false, "", proxy, 0, "u", "p");
  EXPECT_EQ(status, 407);
  EXPECT_EQ(server.Requests().back().Values("Proxy-Authorization"), Names{"Basic dTpw"});

  // Credentials without a proxy: neither is used.
  WinHttpRequest(server.Url("/direct"), 0, "", nullptr, nullptr, nullptr, nullptr, nullptr, false,
                 "", "", 0, "u", "p");
  EXPECT_EQ(server.Requests().back().Target(), "/direct");
  EXPECT_TRUE(server.Requests().back().Values("Proxy-Authorization").empty());
  EXPECT_TRUE(server.Requests().back().Values("Authorization").empty());
}

// --- Ending a transfer under way -------------------------------------------

TEST_F(NetTest, AbortGuardEndsAStalledTransferWithEmptyResults) {
  server.SetDefaultResponse(
      RawResponse{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\npartial", true});
  std::atomic<bool> end{false};
  std::thread ender([&] {
    while (server.Requests().size() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    end = true;
  });
  const auto started = std::chrono::steady_clock::now();
  int status = -1;
  Bytes body = "stale";
  {
    TransferAbortGuard guard([&] { return end.load(); });
    body = WinHttpRequest(server.Url("/slow"), 0, "", nullptr, nullptr, nullptr, nullptr, &status);
    EXPECT_TRUE(WebRequest(server.Url("/slow")).empty());
    ender.join();
  }
  // Sanity bound only: well under the 15 s and 30 s times without data that
  // would otherwise end these calls.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(status, 0);

  // Without the guard requests run as usual again.
  server.SetDefaultResponse(MakeResponse("HTTP/1.1 200 OK", "", "fine"));
  EXPECT_EQ(WebRequest(server.Url("/after")), "fine");
}

TEST(TransferAbort, InnerGuardKeepsTheOuterOnesSay) {
  EXPECT_FALSE(TransferAbortRequested());
  bool outer = false;
  TransferAbortGuard outerGuard([&] { return outer; });
  {
    TransferAbortGuard innerGuard([] { return false; });
    outer = true;
    EXPECT_TRUE(TransferAbortRequested());
    std::thread other([] { EXPECT_FALSE(TransferAbortRequested()); });
    other.join();
  }
  outer = false;
  EXPECT_FALSE(TransferAbortRequested());
}

// --- Against the stand-in site ----------------------------------------------

TEST(StandInSite, PicturesInARowReuseOneConnection) {
  demosite::DemoSite demo;
  ASSERT_TRUE(demo.Start());
  Site site;
  site.siteHost = demo.SiteHost();
  site.imageHost = demo.ImageHost();
  demo.ClearRequests();
  Text sessionCookies = "sid=x";
  int wrong = 0;
  for (int i = 0; i < 200; ++i) {
    const Text key = "pic-" + std::to_string(i) + (i % 2 ? ".png" : ".jpg");
    Text headers = PictureRefererLine(site, "album");
    const Bytes body =
        WinHttpRequest(PictureUrl(site, key), 0, "", &sessionCookies, &sessionCookies, &headers);
    if (body != demosite::DemoSite::PictureBytes(key)) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(demo.Requests().size(), 200u);
  EXPECT_LE(demo.ConnectionCount(), 3);
  const demosite::RequestRecord last = demo.Requests().back();
  const auto referer = last.headers.find("Referer");
  ASSERT_NE(referer, last.headers.end());
  EXPECT_EQ(referer->second, demo.SiteHost() + "/pins/album/");
}

TEST(StandInSite, TwoThreadsFetchAtOnce) {
  demosite::DemoSite demo;
  ASSERT_TRUE(demo.Start());
  std::atomic<int> wrong{0};
  const auto fetch = [&](const std::string& prefix) {
    for (int i = 0; i < 40; ++i) {
      const std::string key = prefix + std::to_string(i) + ".gif";
      const Bytes body = i % 2 ? WinHttpRequest(demo.ImageHost() + "/" + key)
                               : WebRequest(demo.ImageHost() + "/" + key);
      if (body != demosite::DemoSite::PictureBytes(key)) ++wrong;
    }
  };
  std::thread window(fetch, "w");
  std::thread worker(fetch, "d");
  window.join();
  worker.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(demo.Requests().size(), 80u);
}

// --- Site addresses ----------------------------------------------------------

TEST(SiteAddresses, MarkerIsTheSiteHostWithoutScheme) {
  Site site;
  site.siteHost = "HTTPS://Site.Example:8443";
  EXPECT_EQ(SiteHostName(site), "Site.Example:8443");
  EXPECT_EQ(BoardLineMarker(site), "Site.Example:8443/boards/");
  site.siteHost = "site.example";
  EXPECT_EQ(BoardLineMarker(site), "site.example/boards/");
  EXPECT_EQ(PictureRefererLine(site, "42"), "Referer: site.example/pins/42/");
}

TEST(SiteAddresses, ReadFromSettingsWithTrailingSlashTrimmed) {
  albumdl::testing::TempDir folder;
  const Text file = folder.File("peizi.ini");
  ASSERT_TRUE(platform::WriteWholeFile(file,
                                       "[全局设置]\r\n站点地址=http://wrong.example\r\n"
                                       "[站点设置]\r\n站点地址=http://site.example:81/\r\n"
                                       "图片地址= http://img.example/ \r\n"
                                       "反馈页面=\r\n"));
  const Site site = ReadSiteSettings(file);
  const Site defaults;
  EXPECT_EQ(site.siteHost, "http://site.example:81");
  EXPECT_EQ(site.imageHost, "http://img.example");
  EXPECT_EQ(site.versionPage, defaults.versionPage);
  EXPECT_EQ(site.feedbackPage, defaults.feedbackPage);
  EXPECT_EQ(ReadSiteSettings(folder.File("none.ini")).siteHost, defaults.siteHost);
}

}  // namespace
}  // namespace albumdl
