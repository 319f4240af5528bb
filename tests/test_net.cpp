// The two request operations (what goes out, what comes back, why an exchange
// failed, the limits), the cookie jar, the proxy, the transfer abort and the site
// addresses, against real HTTP servers on loopback: a raw server that records
// requests byte for byte, and the stand-in site.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "control/transfer_abort.h"
#include "demo_site.h"
#include "net/cookie_jar.h"
#include "net/http_result.h"
#include "net/response_headers.h"
#include "net/transfer_limits.h"
#include "net/url_cookies.h"
#include "net/web_request.h"
#include "net/winhttp_request.h"
#include "platform/files.h"
#include "session/session_setup.h"
#include "site/site.h"
#include "support/raw_http_server.h"
#include "support/temp_dir.h"
#include "support/this_program.h"

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
  void SetUp() override { ASSERT_TRUE(server.Start()); }
  RawRequest Only() {
    const std::vector<RawRequest> requests = server.Requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? RawRequest{} : requests.back();
  }
  RawHttpServer server;
};

// --- The request as it goes out -------------------------------------------

TEST_F(NetTest, WebRequestCompletesEmptyHeadersInOrderAndReportsThem) {
  const Text url = server.Url("/page?x=1");
  const HttpResult result = WebRequest({.url = url});
  const RawRequest sent = Only();
  EXPECT_EQ(sent.requestLine, "GET /page?x=1 HTTP/1.1");
  EXPECT_EQ(sent.Names(),
            (Names{"Host", "User-Agent", "Accept", "Referer", "Accept-Language", "Content-Type"}));
  EXPECT_EQ(sent.Values("User-Agent"), Names{kAgent});
  EXPECT_EQ(sent.Values("Accept"), Names{"*/*"});
  EXPECT_EQ(sent.Values("Referer"), Names{url});
  EXPECT_EQ(sent.Values("Accept-Language"), Names{"zh-cn"});
  EXPECT_EQ(sent.Values("Content-Type"), Names{kForm});
  EXPECT_EQ(result.sentHeaders, "Accept: */*\r\nReferer: " + url +
                                    "\r\nAccept-Language: zh-cn\r\nContent-Type: " + kForm);
}

TEST_F(NetTest, WebRequestAppendsCookieLineLastAndAgainOnEveryCall) {
  const Text url = server.Url("/c");
  const HttpResult first = WebRequest({.url = url, .cookies = "a=1; b=2"});
  EXPECT_EQ(server.Requests().at(0).Names(), (Names{"Host", "User-Agent", "Accept", "Referer",
                                                    "Accept-Language", "Content-Type", "Cookie"}));
  EXPECT_EQ(server.Requests().at(0).Values("Cookie"), Names{"a=1; b=2"});

  // The default lines are found the second time; the Cookie line is not looked for.
  WebRequest({.url = url, .cookies = first.cookies, .headers = first.sentHeaders});
  const RawRequest second = server.Requests().at(1);
  EXPECT_EQ(second.Values("Accept").size(), 1u);
  EXPECT_EQ(second.Values("Referer").size(), 1u);
  EXPECT_EQ(second.Values("Cookie").size(), 2u);
}

TEST_F(NetTest, WebRequestAgentStringFromCallersLineSentOnce) {
  WebRequest({.url = server.Url("/1"), .headers = "user-agent: Lower/1.0"});
  WebRequest({.url = server.Url("/2"), .headers = "User-Agent: Proper/2.0\r\nX-A: 1"});
  WebRequest({.url = server.Url("/3"), .headers = "X-Accept: text/plain"});

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
  const HttpResult result =
      WinHttpRequest({.url = url, .cookies = "sid=abc", .headers = kJsonRequestHeaders});
  const RawRequest sent = Only();
  EXPECT_EQ(sent.Names(), (Names{"Host", "Cookie", "X-Requested-With", "X-Request", "Accept",
                                 "Referer", "Accept-Language", "User-Agent", "Content-Type"}));
  EXPECT_EQ(sent.Values("Cookie"), Names{"sid=abc"});
  EXPECT_EQ(sent.Values("X-Requested-With"), Names{"XMLHttpRequest"});
  EXPECT_EQ(sent.Values("User-Agent"), Names{kAgent});
  EXPECT_EQ(result.sentHeaders, kJsonRequestHeaders + "\r\nAccept: */*\r\nReferer: " + url +
                                    "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + kAgent +
                                    "\r\nContent-Type: " + kForm);
}

TEST_F(NetTest, WinHttpRequestSetsEachHeaderOnceAndHonoursHost) {
  // The lower-case agent line does not count as "User-Agent:", so the default is
  // set after it: one header goes out, with the value set last.
  WinHttpRequest(
      {.url = server.Url("/h"),
       .headers = "user-agent: Mine\r\nHost: site.example\r\nReferer: http://a.example:81/p"});
  const RawRequest sent = Only();
  EXPECT_EQ(sent.Values("User-Agent"), Names{kAgent});
  EXPECT_EQ(sent.Values("Host"), Names{"site.example"});
  EXPECT_EQ(sent.Values("Referer"), Names{"http://a.example:81/p"});
  EXPECT_TRUE(sent.Values("Cookie").empty());
  EXPECT_TRUE(sent.Values("Expect").empty());
}

TEST_F(NetTest, LineBreaksInCookiesOrHeaderValuesAddNoHeaderLines) {
  const Text cookies = "a=1\r\nX-Injected: 1";
  const Text headers = "X-A: 1\nX-Injected: 2\r\nX-B: 3\rX-Injected: 3\r\nX-C: 4";
  WinHttpRequest({.url = server.Url("/w"), .cookies = cookies, .headers = headers});
  WebRequest({.url = server.Url("/i"), .cookies = cookies, .headers = headers});
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
  EXPECT_EQ(WebRequest({.url = hostPort + "/plain"}).body, "ok");
  EXPECT_EQ(WinHttpRequest({.url = "HTTP://" + hostPort + "/caps"}).body, "ok");
  EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(NetTest, TypedAddressesGoOutAsABrowserSendsThem) {
  // Chinese characters (code page 936 here) go as UTF-8 percent escapes, a
  // blank as %20; escapes already there and the rest stay as typed.
  const Text typed = server.Url("/search/?q=樱花 x&a=%5F");
  EXPECT_EQ(WinHttpRequest({.url = typed}).body, "ok");
  EXPECT_EQ(WebRequest({.url = typed}).body, "ok");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.Target(), "/search/?q=%E6%A8%B1%E8%8A%B1%20x&a=%5F");
  }
}

// --- Methods and bodies ----------------------------------------------------

TEST_F(NetTest, MethodsOutsideTheRangeSendGetWithoutBody) {
  WebRequest({.url = server.Url("/a"), .method = 7, .postText = "ignored"});
  WebRequest({.url = server.Url("/b"), .method = -1, .postText = "ignored"});
  WinHttpRequest({.url = server.Url("/c"), .method = 7});
  for (const RawRequest& sent : server.Requests()) {
    EXPECT_EQ(sent.Method(), "GET");
    EXPECT_TRUE(sent.body.empty());
    EXPECT_TRUE(sent.Values("Content-Length").empty());
  }
  EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(NetTest, PostTextIsSentWhenNoPostBytesAreGiven) {
  const HttpResult posted =
      WebRequest({.url = server.Url("/post"), .method = 1, .postText = "a=1&b=2"});
  EXPECT_EQ(posted.sentBody, "a=1&b=2");
  const RawRequest sent = Only();
  EXPECT_EQ(sent.Method(), "POST");
  EXPECT_EQ(sent.body, "a=1&b=2");
  EXPECT_EQ(sent.Values("Content-Type"), Names{kForm});

  // Bytes given win over the text.
  const Bytes given = std::string("\x00\x01z", 3);
  WinHttpRequest(
      {.url = server.Url("/bytes"), .method = 1, .postText = "text", .postBytes = given});
  EXPECT_EQ(server.Requests().at(1).body, given);
}

TEST_F(NetTest, HeadSendsItsBodyAndDoesNotWaitForAResponseBody) {
  // A HEAD answer announces a length but carries no body; the connection stays open.
  server.SetResponse("/head", RawResponse{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n"
                                          "Set-Cookie: h=1; path=/\r\n\r\n"});
  const HttpResult head =
      WinHttpRequest({.url = server.Url("/head"), .method = 2, .postText = "xyz"});
  EXPECT_EQ(head.statusCode, 200);
  EXPECT_TRUE(head.Completed());
  EXPECT_TRUE(head.body.empty());

  const HttpResult webHead =
      WebRequest({.url = server.Url("/head"), .method = 2, .postBytes = "pq"});
  EXPECT_EQ(webHead.returnedCookies, "h=1");
  EXPECT_NE(webHead.returnedHeaders.find("Content-Length: 10\r\n"), std::string::npos);

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
  EXPECT_EQ(
      WinHttpRequest({.url = server.Url("/moved"), .method = 2, .postText = "xyz"}).statusCode,
      200);
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
    WinHttpRequest({.url = server.Url("/from"), .method = method, .cookies = "s=1"});
    WebRequest({.url = server.Url("/from"),
                .method = method,
                .cookies = "w=1",
                .headers = "Authorization: Basic eDp5"});
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
  WinHttpRequest({.url = server.Url("/start"), .method = 2, .cookies = "s=2"});
  ASSERT_EQ(server.Requests().size(), 6u);
  EXPECT_EQ(server.Requests()[5].Target(), "/back");
  EXPECT_EQ(server.Requests()[5].Values("Cookie"), Names{"s=2"});
}

// --- Responses -------------------------------------------------------------

TEST_F(NetTest, SetCookieInAnyCaseIsNormalisedAndCollected) {
  server.SetDefaultResponse(
      MakeResponse("HTTP/1.1 200 OK", "set-cookie: a=1; path=/\r\nSET-COOKIE: b=2\r\n", "body"));
  const HttpResult web = WebRequest({.url = server.Url("/")});
  EXPECT_EQ(web.body, "body");
  EXPECT_EQ(web.returnedCookies, "a=1; b=2");
  const Text& block = web.returnedHeaders;
  EXPECT_EQ(block.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_NE(block.find("\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"), std::string::npos);
  EXPECT_EQ(block.substr(block.size() - 2), "\r\n");

  // The header lines without the status line.
  const HttpResult win = WinHttpRequest({.url = server.Url("/")});
  EXPECT_EQ(win.statusCode, 200);
  EXPECT_EQ(win.returnedHeaders.rfind("Set-Cookie: a=1; path=/\r\n", 0), 0u);
  EXPECT_EQ(win.returnedCookies, "a=1; b=2");
  EXPECT_EQ(win.cookies, "a=1; b=2");
}

TEST_F(NetTest, ErrorStatusBodyIsReturnedAsItCame) {
  server.SetDefaultResponse(MakeResponse("HTTP/1.1 404 Not Found", "", "no such page"));
  const HttpResult web = WebRequest({.url = server.Url("/missing")});
  EXPECT_EQ(web.body, "no such page");
  EXPECT_EQ(web.statusCode, 404);
  EXPECT_EQ(web.returnedCookies, "");
  const HttpResult win = WinHttpRequest({.url = server.Url("/missing")});
  EXPECT_EQ(win.body, "no such page");
  EXPECT_EQ(win.statusCode, 404);
  // An error status is an answer, not a failed exchange.
  EXPECT_TRUE(web.Completed());
  EXPECT_TRUE(win.Completed());
}

TEST_F(NetTest, RedirectsFollowedUnlessSwitchedOff) {
  server.SetResponse("/from", MakeResponse("HTTP/1.1 302 Found", "Location: /to\r\n", "moved"));
  server.SetResponse("/to", MakeResponse("HTTP/1.1 200 OK", "X-Last: yes\r\n", "arrived"));

  const HttpResult stayed = WebRequest({.url = server.Url("/from"), .noRedirect = true});
  EXPECT_EQ(stayed.body, "moved");
  EXPECT_NE(stayed.returnedHeaders.find("Location: /to\r\n"), std::string::npos);
  EXPECT_EQ(server.Requests().size(), 1u);

  const HttpResult followed = WebRequest({.url = server.Url("/from")});
  EXPECT_EQ(followed.body, "arrived");
  EXPECT_EQ(followed.returnedHeaders.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_EQ(followed.returnedHeaders.find("Location:"), std::string::npos);

  EXPECT_EQ(WinHttpRequest({.url = server.Url("/from"), .noRedirect = true}).statusCode, 302);
  const HttpResult win = WinHttpRequest({.url = server.Url("/from")});
  EXPECT_EQ(win.body, "arrived");
  EXPECT_EQ(win.statusCode, 200);

  // A redirect back to itself: ten hops at most, then the redirect is the answer.
  server.SetResponse("/loop", MakeResponse("HTTP/1.1 302 Found", "Location: /loop\r\n", "again"));
  const size_t sent = server.Requests().size();
  EXPECT_EQ(WebRequest({.url = server.Url("/loop")}).statusCode, 302);
  EXPECT_EQ(server.Requests().size(), sent + 11) << "the first request and ten hops";

  // Every redirect status is followed; like a browser, only 307 and 308 send
  // a posted body again.
  for (const int status : {301, 302, 303, 307, 308}) {
    const std::string from = "/from" + std::to_string(status);
    server.SetResponse(from, MakeResponse("HTTP/1.1 " + std::to_string(status) + " Moved",
                                          "Location: /to\r\n", "moved"));
    const size_t before = server.Requests().size();
    EXPECT_EQ(WebRequest({.url = server.Url(from), .method = 1, .postText = "a=1"}).body, "arrived")
        << status;
    ASSERT_EQ(server.Requests().size(), before + 2) << status;
    EXPECT_EQ(server.Requests().back().body, status >= 307 ? "a=1" : "") << status;
  }
}

TEST_F(NetTest, RefusedConnectionGivesEmptyResultsAndNormalisedCookies) {
  const Text url = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/x";
  const HttpResult web = WebRequest({.url = url});
  EXPECT_TRUE(web.body.empty());
  EXPECT_EQ(web.failure, HttpFailure::kConnectFailed);

  const HttpResult win = WinHttpRequest({.url = url, .cookies = "a = 1;  b=2; b=2; c=deleted"});
  EXPECT_TRUE(win.body.empty());
  EXPECT_EQ(win.failure, HttpFailure::kConnectFailed);
  EXPECT_EQ(win.statusCode, 0);
  EXPECT_EQ(win.returnedHeaders, "");
  EXPECT_EQ(win.returnedCookies, "");
  EXPECT_EQ(win.cookies, "a=1; b=2");
}

TEST_F(NetTest, BodyCutShortIsNoBodyAndSaysTruncated) {
  server.SetDefaultResponse(
      RawResponse{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nonly part"});
  const HttpResult web = WebRequest({.url = server.Url("/cut")});
  EXPECT_TRUE(web.body.empty());
  EXPECT_EQ(web.failure, HttpFailure::kTruncated);
  // The header lines that came are still reported by WebRequest.
  EXPECT_EQ(web.headers.ContentLength(), 100);
  const HttpResult win = WinHttpRequest({.url = server.Url("/cut")});
  EXPECT_TRUE(win.body.empty());
  EXPECT_EQ(win.statusCode, 0);
  EXPECT_EQ(win.failure, HttpFailure::kTruncated);
}

TEST_F(NetTest, ResponseHeaderLinesAreSplitOnceAndFoundInAnyCase) {
  server.SetDefaultResponse(MakeResponse("HTTP/1.1 429 Too Many Requests",
                                         "content-type: image/png\r\nRetry-After: 7\r\n"
                                         "set-cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"
                                         "X-Twice:  first \r\nx-twice: second\r\n",
                                         "hello"));
  for (const HttpResult& result :
       {WebRequest({.url = server.Url("/p")}), WinHttpRequest({.url = server.Url("/p")})}) {
    const ResponseHeaders& headers = result.headers;
    EXPECT_EQ(headers.Status(), 429);
    EXPECT_EQ(headers.ContentLength(), 5);
    EXPECT_EQ(headers.ContentType(), "image/png");
    EXPECT_EQ(headers.RetryAfterSeconds(), 7);
    EXPECT_EQ(headers.SetCookies(), (Names{"a=1; path=/", "b=2"}));
    EXPECT_EQ(headers.Find("X-TWICE"), "first");
    EXPECT_EQ(headers.FindAll("x-twice"), (Names{"first", "second"}));
    EXPECT_EQ(headers.Find("Location"), std::nullopt);
  }
}

TEST(ResponseHeaders, OnlyPlainNumbersCountAsLengthsAndSeconds) {
  const ResponseHeaders dated({"HTTP/1.1 503 Service Unavailable",
                               "Retry-After: Wed, 21 Oct 2015 07:28:00 GMT",
                               "Content-Length: 12abc", "a line without a colon"});
  EXPECT_EQ(dated.Status(), 503);
  EXPECT_EQ(dated.RetryAfterSeconds(), std::nullopt);
  EXPECT_EQ(dated.ContentLength(), std::nullopt);
  EXPECT_EQ(dated.ContentType(), "");
  const ResponseHeaders noStatusLine({"Content-Length: 0", "Retry-After: 120"});
  EXPECT_EQ(noStatusLine.Status(), 0);
  EXPECT_EQ(noStatusLine.ContentLength(), 0);
  EXPECT_EQ(noStatusLine.RetryAfterSeconds(), 120);
}

// --- Why an exchange failed, and the limits ----------------------------------

TEST_F(NetTest, AddressThatIsNoWebAddressIsRefusedBeforeAnythingIsSent) {
  const Text url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/x";
  const HttpResult web = WebRequest({.url = url, .cookies = "a=1", .headers = "X-A: 1"});
  EXPECT_EQ(web.failure, HttpFailure::kBadAddress);
  // Nothing was completed: the caller's texts come back as they were.
  EXPECT_EQ(web.sentHeaders, "X-A: 1");
  EXPECT_EQ(web.cookies, "a=1");
  EXPECT_EQ(WinHttpRequest({.url = url}).failure, HttpFailure::kBadAddress);
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(NetTest, ConnectionResetDuringTheBodySaysBroken) {
  // The test server's reset (SO_LINGER 0, then close) reaches the client as a
  // plain close under Wine, and the transfer is rightly called truncated.
  if (testing::RunningUnderWine()) GTEST_SKIP() << "Wine's test server sends no reset";
  server.SetDefaultResponse(
      RawResponse{.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npart", .reset = true});
  const HttpResult web = WebRequest({.url = server.Url("/r")});
  EXPECT_EQ(web.failure, HttpFailure::kConnectionBroken);
  EXPECT_TRUE(web.body.empty());
  const HttpResult win = WinHttpRequest({.url = server.Url("/r")});
  EXPECT_EQ(win.failure, HttpFailure::kConnectionBroken);
  EXPECT_TRUE(win.body.empty());
  EXPECT_EQ(win.statusCode, 0);
}

TEST_F(NetTest, BodyOverTheLimitIsGivenUpWithoutKeepingIt) {
  // Announced too large: given up before the body is read. The server then
  // goes silent, so only the announcement can end these requests early.
  server.SetResponse(
      "/announced",
      RawResponse{.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n", .stall = true});
  // No length announced: given up once the bytes received pass the limit.
  server.SetResponse("/streamed",
                     RawResponse{.bytes = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" +
                                          std::string(300000, 'x')});
  server.SetResponse("/exact", MakeResponse("HTTP/1.1 200 OK", "", std::string(1000, 'y')));
  server.SetResponse(
      "/moved", MakeResponse("HTTP/1.1 302 Found", "Location: /exact\r\n", std::string(5000, 'z')));
  const TransferLimits limits{.maxBodyBytes = 1000, .totalTimeoutSeconds = 5};
  for (const char* path : {"/announced", "/streamed"}) {
    const HttpResult web = WebRequest({.url = server.Url(path), .limits = limits});
    EXPECT_EQ(web.failure, HttpFailure::kTooLarge) << path;
    EXPECT_TRUE(web.body.empty());
    const HttpResult win = WinHttpRequest({.url = server.Url(path), .limits = limits});
    EXPECT_EQ(win.failure, HttpFailure::kTooLarge) << path;
    EXPECT_TRUE(win.body.empty());
    EXPECT_EQ(win.statusCode, 0);
  }
  // A body the size of the limit is not over it, and the body of a redirect
  // that is followed does not count.
  EXPECT_EQ(WinHttpRequest({.url = server.Url("/exact"), .limits = limits}).body.size(), 1000u);
  const HttpResult followed = WebRequest({.url = server.Url("/moved"), .limits = limits});
  EXPECT_EQ(followed.body, std::string(1000, 'y'));
  EXPECT_TRUE(followed.Completed());
}

TEST_F(NetTest, TricklingOrSilentServerEndsInATimeOut) {
  // A byte every 100 ms never leaves the connection idle for long; only the
  // limit on the whole transfer ends it.
  server.SetResponse("/trickle",
                     RawResponse{.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n",
                                 .trickle = std::string(1000, 't'),
                                 .trickleMs = 100});
  server.SetResponse(
      "/silent",
      RawResponse{.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n", .stall = true});
  // Slow, but well within the time allowed for the whole: the whole body.
  server.SetResponse("/slow", RawResponse{.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n",
                                          .trickle = "abc",
                                          .trickleMs = 100});
  EXPECT_EQ(WebRequest({.url = server.Url("/slow"), .limits = {.totalTimeoutSeconds = 5}}).body,
            "abc");
  const auto started = std::chrono::steady_clock::now();
  const HttpResult web =
      WebRequest({.url = server.Url("/trickle"), .limits = {.totalTimeoutSeconds = 1}});
  const HttpResult win =
      WinHttpRequest({.url = server.Url("/trickle"), .limits = {.totalTimeoutSeconds = 1}});
  // Silent for a second: the time allowed without data ends it.
  const HttpResult idle = WinHttpRequest({.url = server.Url("/silent"), .timeoutSeconds = 1});
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
  for (const HttpResult* result : {&web, &win, &idle}) {
    EXPECT_EQ(result->failure, HttpFailure::kTimedOut);
    EXPECT_TRUE(result->body.empty());
  }
}

TEST_F(NetTest, PeerThatDoesNotSpeakTlsFailsAsTls) {
  // Under Wine, whose Schannel rests on GnuTLS, libcurl reports this as a failed
  // connection; whether Windows' own Schannel does the same is not known here.
  if (testing::RunningUnderWine()) GTEST_SKIP() << "Wine's Schannel fails it as a connection";
  server.SetGreeting("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  const Text url = "https://127.0.0.1:" + std::to_string(server.Port()) + "/x";
  EXPECT_EQ(WinHttpRequest({.url = url, .timeoutSeconds = 5}).failure, HttpFailure::kTls);
  EXPECT_EQ(WebRequest({.url = url, .limits = {.totalTimeoutSeconds = 5}}).failure,
            HttpFailure::kTls);
}

TEST(HttpFailure, EachReasonReadsDifferently) {
  EXPECT_EQ(FailureText(HttpFailure::kNone), "");
  std::set<Text> texts;
  for (HttpFailure failure :
       {HttpFailure::kBadAddress, HttpFailure::kConnectFailed, HttpFailure::kTimedOut,
        HttpFailure::kConnectionBroken, HttpFailure::kTruncated, HttpFailure::kAborted,
        HttpFailure::kTooLarge, HttpFailure::kTls, HttpFailure::kOther}) {
    EXPECT_FALSE(FailureText(failure).empty());
    texts.insert(FailureText(failure));
  }
  EXPECT_EQ(texts.size(), 9u);
  EXPECT_EQ(FailureText(HttpFailure::kTimedOut), "连接超时");
}

// --- Cookies: the caller's text and the session's jar -----------------------

TEST_F(NetTest, WinHttpRequestMergesTheResponsesCookiesOverTheCallers) {
  server.SetDefaultResponse(MakeResponse(
      "HTTP/1.1 200 OK", "Set-Cookie: b=3; path=/\r\nSet-Cookie: a=deleted; path=/\r\n", "x"));
  const HttpResult first = WinHttpRequest({.url = server.Url("/s"), .cookies = "a=1; b=2"});
  EXPECT_EQ(server.Requests().at(0).Values("Cookie"), Names{"a=1; b=2"});
  EXPECT_EQ(first.cookies, "b=3");

  const HttpResult second = WinHttpRequest({.url = server.Url("/s"), .cookies = "a=1; b=2; c=4"});
  EXPECT_EQ(second.cookies, "b=3; c=4");
  EXPECT_EQ(second.returnedCookies, "b=3; a=deleted");
}

// A request given the jar sends what matches its address and feeds the jar
// with what each answer sets; given a cookie text instead (WebRequest), the jar
// is neither read nor written.
TEST_F(NetTest, TheJarIsReadAndWrittenByRequestsGivenIt) {
  CookieJar jar;
  const Text url = server.Url("/jar");
  jar.TakeSetCookie(url, "s=1");
  jar.TakeSetCookie(url, "t=2");
  server.SetDefaultResponse(MakeResponse("HTTP/1.1 200 OK", "Set-Cookie: n=9; Path=/\r\n", "x"));

  const HttpResult web = WebRequest({.url = url, .jar = &jar});
  EXPECT_EQ(server.Requests().at(0).Values("Cookie"), Names{"s=1; t=2"});
  EXPECT_EQ(web.returnedCookies, "n=9");
  EXPECT_EQ(jar.CookieLineFor(url), "s=1; t=2; n=9");

  // A Cookie line of the caller's joins the jar's in one line, first among
  // the header lines; for a name in both the jar's value wins.
  WebRequest({.url = url, .headers = "X-A: 1\r\nCookie: n=0; extra=3", .jar = &jar});
  const RawRequest joined = server.Requests().at(1);
  EXPECT_EQ(joined.Values("Cookie"), Names{"s=1; t=2; n=9; extra=3"});
  EXPECT_EQ(joined.Names(), (Names{"Host", "User-Agent", "Cookie", "X-A", "Accept", "Referer",
                                   "Accept-Language", "Content-Type"}));

  const HttpResult own = WebRequest({.url = url, .cookies = "c=5", .jar = &jar});
  EXPECT_EQ(server.Requests().at(2).Values("Cookie"), Names{"c=5"});
  EXPECT_EQ(own.cookies, "n=9; c=5");

  server.SetDefaultResponse(MakeResponse("HTTP/1.1 200 OK", "Set-Cookie: w=7\r\n", "x"));
  WinHttpRequest({.url = url, .headers = kJsonRequestHeaders, .jar = &jar});
  EXPECT_EQ(server.Requests().at(3).Values("Cookie"), Names{"s=1; t=2; n=9"});
  EXPECT_EQ(server.Requests().at(3).Names().at(1), "Cookie");
  EXPECT_EQ(jar.CookieLineFor(url), "s=1; t=2; n=9; w=7");
  WinHttpRequest({.url = url});
  EXPECT_TRUE(server.Requests().at(4).Values("Cookie").empty());
}

// Each hop of a redirect carries the jar's cookies for its own address, and
// what a hop's answer sets belongs to the host and port that answered: another
// port (another site, to this program) neither gets the first one's cookies
// nor can set any for it.
TEST_F(NetTest, EachRedirectHopCarriesAndFeedsOnlyItsOwnCookies) {
  RawHttpServer other;
  ASSERT_TRUE(other.Start());
  CookieJar jar;
  jar.TakeSetCookie(server.Url("/"), "sid=mine; HttpOnly");
  jar.TakeSetCookie(other.Url("/"), "theirs=1");
  server.SetResponse("/from", RawResponse{"HTTP/1.1 302 Found\r\nSet-Cookie: hop=1\r\nLocation: " +
                                          other.Url("/to") + "\r\nContent-Length: 0\r\n\r\n"});
  other.SetResponse("/to", MakeResponse("HTTP/1.1 200 OK",
                                        "Set-Cookie: injected=evil\r\n"
                                        "Set-Cookie: sid=ATTACKER; Domain=127.0.0.1\r\n",
                                        "x"));
  for (const int method : {0, 2}) {
    WinHttpRequest({.url = server.Url("/from"), .method = method, .jar = &jar});
    WebRequest({.url = server.Url("/from"),
                .method = method,
                .headers = "Host: " + UrlHost(server.Url("/"), true),
                .jar = &jar});
  }
  // The other port's own cookies, and what it set for itself, go to it; the
  // first port's never do.
  const std::vector<RawRequest> arrived = other.Requests();
  ASSERT_EQ(arrived.size(), 4u);
  EXPECT_EQ(arrived[0].Values("Cookie"), Names{"theirs=1"});
  for (const RawRequest& request : arrived) {
    EXPECT_EQ(request.Values("Cookie").size(), 1u);
    EXPECT_EQ(request.Values("Cookie")[0].find("mine"), std::string::npos);
    EXPECT_EQ(request.Values("Cookie")[0].find("hop"), std::string::npos);
    EXPECT_EQ(request.Values("Host"), Names{UrlHost(other.Url("/"), true)}) << request.Method();
  }
  for (const RawRequest& first : server.Requests()) {
    EXPECT_EQ(first.Values("Cookie").size(), 1u);
    EXPECT_EQ(first.Values("Cookie")[0].rfind("sid=mine", 0), 0u) << first.Values("Cookie")[0];
  }
  EXPECT_EQ(jar.CookieLineFor(server.Url("/boards/")), "sid=mine; hop=1");
  EXPECT_EQ(jar.CookieLineFor(other.Url("/")), "theirs=1; injected=evil; sid=ATTACKER");
}

TEST_F(NetTest, OneJarServesEveryThread) {
  CookieJar jar;
  server.SetResponse("/set", MakeResponse("HTTP/1.1 200 OK", "Set-Cookie: shared=1\r\n", "x"));
  std::thread other([&] { WinHttpRequest({.url = server.Url("/set"), .jar = &jar}); });
  other.join();
  WebRequest({.url = server.Url("/read"), .jar = &jar});
  EXPECT_EQ(server.Requests().at(1).Values("Cookie"), Names{"shared=1"});
}

// --- The cookie jar's rules --------------------------------------------------

TEST(CookieJar, AnAnswerSetsCookiesOnlyForItsOwnHostOrADomainAboveIt) {
  CookieJar jar;
  const Text from = "http://www.site.example/a/b";
  EXPECT_TRUE(jar.TakeSetCookie(from, "own=1"));
  EXPECT_TRUE(jar.TakeSetCookie(from, "wide=2; Domain=.Site.Example"));
  EXPECT_FALSE(jar.TakeSetCookie(from, "other=3; Domain=other.example"));
  EXPECT_FALSE(jar.TakeSetCookie(from, "below=4; Domain=img.www.site.example"));
  EXPECT_FALSE(jar.TakeSetCookie(from, "suffix=5; Domain=example"));
  EXPECT_FALSE(jar.TakeSetCookie("http://evilsite.example/", "sid=ATTACKER; Domain=site.example"))
      << "a name that only ends in the same letters is not below the domain";
  EXPECT_FALSE(jar.TakeSetCookie(from, "noequals"));
  EXPECT_FALSE(jar.TakeSetCookie(from, "=nameless"));
  // An IP address has no domains: only the host itself.
  EXPECT_FALSE(jar.TakeSetCookie("http://127.0.0.2/", "sid=ATTACKER; Domain=127.0.0.1"));
  EXPECT_TRUE(jar.TakeSetCookie("http://127.0.0.1/", "ip=6; Domain=127.0.0.1"));

  EXPECT_EQ(jar.CookieLineFor("http://www.site.example/a/x"), "own=1; wide=2");
  EXPECT_EQ(jar.CookieLineFor("http://img.site.example/a/x"), "wide=2");
  EXPECT_EQ(jar.CookieLineFor("http://img.www.site.example/a/x"), "wide=2");
  EXPECT_EQ(jar.CookieLineFor("http://notsite.example/"), "");
  EXPECT_EQ(jar.CookieLineFor("http://127.0.0.1/"), "ip=6");
  EXPECT_EQ(jar.CookieLineFor("http://127.0.0.2/"), "");
  EXPECT_EQ(jar.CookieLineFor("http://1.127.0.0.1/"), "");
  EXPECT_EQ(jar.Count(), 3u);
}

TEST(CookieJar, PathsPortsSchemesAndIpv6) {
  CookieJar jar;
  jar.TakeSetCookie("http://h.example:8080/boards/b1/page", "deep=1");  // path /boards/b1
  jar.TakeSetCookie("http://h.example:8080/x", "root=2; Path=/");
  jar.TakeSetCookie("http://h.example:8080/x", "pics=3; Path=/img");
  EXPECT_FALSE(jar.TakeSetCookie("http://h.example:8080/", "s=4; Secure"));
  jar.TakeSetCookie("https://h.example/", "s=5; Secure");
  jar.TakeSetCookie("http://h.example/", "plain=6");

  EXPECT_EQ(jar.CookieLineFor("http://h.example:8080/boards/b1/?max=1"), "deep=1; root=2");
  EXPECT_EQ(jar.CookieLineFor("h.example:8080/boards/b1"), "deep=1; root=2");
  EXPECT_EQ(jar.CookieLineFor("http://h.example:8080/boards/b10"), "root=2");
  EXPECT_EQ(jar.CookieLineFor("http://H.Example:8080/img/k.png"), "pics=3; root=2");
  EXPECT_EQ(jar.CookieLineFor("http://h.example:8080/imgs"), "root=2");
  // Another port is another site; 80 and 443 are one site's two doors.
  EXPECT_EQ(jar.CookieLineFor("http://h.example:8081/"), "");
  EXPECT_EQ(jar.CookieLineFor("http://h.example/"), "plain=6");
  EXPECT_EQ(jar.CookieLineFor("https://h.example/"), "s=5; plain=6");

  jar.TakeSetCookie("http://[::1]:9000/boards/", "v6=7; Path=/");
  EXPECT_EQ(jar.CookieLineFor("http://[::1]:9000/img/a.jpg"), "v6=7");
  EXPECT_EQ(jar.CookieLineFor("http://[::1]:9001/"), "");
  Cookie viewer;
  viewer.name = "sid";
  viewer.value = "v";
  viewer.domain = "::1";  // as a browser's store may name the host
  viewer.port = 9000;
  EXPECT_TRUE(jar.Put(viewer));
  EXPECT_EQ(jar.CookieLineFor("http://[::1]:9000/"), "v6=7; sid=v");
}

TEST(CookieJar, ExpiryAndDeletedRemoveAndANewValueKeepsItsPlace) {
  CookieJar jar;
  const Text site = "http://s.example/";
  jar.TakeSetCookie(site, "a=1");
  jar.TakeSetCookie(site, "b=2; Max-Age=3600");
  jar.TakeSetCookie(site, "c=3; Expires=Wed, 09 Jun 2100 10:18:14 GMT");
  jar.TakeSetCookie(site, "d=4");
  EXPECT_EQ(jar.CookieLineFor(site), "a=1; b=2; c=3; d=4");
  jar.TakeSetCookie(site, "a=new");
  EXPECT_EQ(jar.CookieLineFor(site), "a=new; b=2; c=3; d=4");
  jar.TakeSetCookie(site, "b=gone; Max-Age=0");
  jar.TakeSetCookie(site, "c=gone; Expires=Thu, 01 Jan 1970 00:00:01 GMT");
  jar.TakeSetCookie(site, "d=deleted; Path=/");
  jar.TakeSetCookie(site, "e=old; Expires=Thu, 01 Jan 1970 00:00:01 GMT");
  EXPECT_EQ(jar.CookieLineFor(site), "a=new");
  // Max-Age wins over Expires.
  jar.TakeSetCookie(site, "f=6; Max-Age=60; Expires=Thu, 01 Jan 1970 00:00:01 GMT");
  EXPECT_EQ(jar.CookieLineFor(site), "a=new; f=6");
  // A sign-out in the viewer removes the one cookie, of whatever port; one of
  // the same name for another path stays.
  jar.TakeSetCookie(site + "boards/", "a=board; Path=/boards");
  jar.Remove("a", ".S.Example", "/");
  EXPECT_EQ(jar.CookieLineFor(site), "f=6");
  EXPECT_EQ(jar.CookieLineFor(site + "boards/b1/"), "a=board; f=6");
}

TEST(CookieJar, CapsDropTheOldestAnswerSetCookiesFirstAndKeepTheSignIn) {
  CookieJar jar;
  const Text site = "http://127.0.0.1:8080/";
  Cookie signIn;
  signIn.name = "sid";
  signIn.value = "user";
  signIn.domain = "127.0.0.1";
  signIn.port = 8080;
  signIn.fromUser = true;
  ASSERT_TRUE(jar.Put(signIn));
  // A flood of 1,000 per answer, 10 answers: the host keeps its 180.
  for (int answer = 0; answer < 10; ++answer) {
    std::vector<Text> flood;
    for (int i = 0; i < 1000; ++i) {
      flood.push_back("f" + std::to_string(answer) + "_" + std::to_string(i) + "=x");
    }
    jar.TakeAnswer(site, flood);
  }
  EXPECT_EQ(jar.Count(), CookieJar::kMostPerDomain);
  const Text line = jar.CookieLineFor(site);
  EXPECT_EQ(line.rfind("sid=user; f9_821=x; ", 0), 0u) << line.substr(0, 80);
  EXPECT_TRUE(line.ends_with("; f9_999=x"));

  // A cookie larger than a browser keeps is refused whole.
  EXPECT_FALSE(jar.TakeSetCookie(site, "big=" + Text(CookieJar::kMostBytes, 'x')));
  EXPECT_TRUE(jar.TakeSetCookie(site, "fits=" + Text(CookieJar::kMostBytes - 4, 'x')));

  // Over all hosts, at most kMostInAll.
  for (int host = 0; host < 40; ++host) {
    std::vector<Text> some;
    for (int i = 0; i < 100; ++i) some.push_back("h" + std::to_string(i) + "=1");
    jar.TakeAnswer("http://10.0.0." + std::to_string(host) + "/", some);
  }
  EXPECT_EQ(jar.Count(), CookieJar::kMostInAll);
  EXPECT_EQ(jar.CookieLineFor(site).rfind("sid=user", 0), 0u);
  EXPECT_EQ(jar.CookieLineFor("http://10.0.0.0/"), "") << "the oldest host's went first";
  EXPECT_NE(jar.CookieLineFor("http://10.0.0.39/"), "");
}

// A cookie goes out inside a header line: nothing in it may end the line.
TEST(CookieJar, RefusesWhatWouldBreakTheCookieLine) {
  CookieJar jar;
  Cookie cookie;
  cookie.domain = "h.example";
  cookie.name = "a";
  cookie.value = "1\r\nX-Injected: 1";
  EXPECT_FALSE(jar.Put(cookie));
  cookie.value = "1;b=2";
  EXPECT_FALSE(jar.Put(cookie));
  cookie.value = "1";
  cookie.name = "";
  EXPECT_FALSE(jar.Put(cookie));
  EXPECT_EQ(jar.Count(), 0u);
}

TEST(CookieJar, FilledFromACookieFileWithTheSitesCookiesOnItsPort) {
  const std::string file =
      "# Netscape HTTP Cookie File\n"
      "127.0.0.1\tFALSE\t/\tFALSE\t0\tplain\t1\r\n"
      "#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t0\thidden\t2\n"
      "127.0.0.1\tFALSE\t/deep\tFALSE\t0\tdeep\t3\n"
      "127.0.0.1\tFALSE\t/\tTRUE\t0\tsecure\t4\n"
      "127.0.0.1\tFALSE\t/\tFALSE\t1\texpired\t5\n"
      ".example.com\tTRUE\t/\tFALSE\t0\twide\t6\n"
      "127.0.0.2\tFALSE\t/\tFALSE\t0\tforeign\t7\n"
      "site.org\tTRUE\t/\tFALSE\t0\tundotted\t8\n"  // its flag: subdomains too
      "too\tfew\tfields\n";
  CookieJar jar;
  jar.LoadCookieText(file, "http://127.0.0.1:9");
  EXPECT_EQ(jar.CookieLineFor("http://127.0.0.1:9/x"), "plain=1; hidden=2");
  EXPECT_EQ(jar.CookieLineFor("127.0.0.1:9/deep/er?q=1"), "deep=3; plain=1; hidden=2");
  EXPECT_EQ(jar.CookieLineFor("http://127.0.0.1:10/x"), "") << "another port is another site";
  EXPECT_EQ(jar.CookieLineFor("http://img.example.com/"), "wide=6");
  EXPECT_EQ(jar.CookieLineFor("http://127.0.0.2:5555/"), "foreign=7");
  EXPECT_EQ(jar.CookieLineFor("http://notexample.com/"), "");
  EXPECT_EQ(jar.CookieLineFor("http://img.site.org/"), "undotted=8");
  EXPECT_TRUE(jar.Cookies().at(1).httpOnly);
  jar.Clear();
  EXPECT_EQ(jar.CookieLineFor("http://127.0.0.1:9/"), "");
}

// --- Proxy -------------------------------------------------------------------

TEST_F(NetTest, ProxyReceivesAbsoluteAddressAndCredentials) {
  const Text proxy = "127.0.0.1:" + std::to_string(server.Port());
  EXPECT_EQ(WebRequest({.url = "http://far.example/page", .proxy = proxy}).body, "ok");
  EXPECT_EQ(server.Requests().at(0).Target(), "http://far.example/page");

  server.SetResponse("http://far.example/auth",
                     MakeResponse("HTTP/1.1 407 Proxy Authentication Required",
                                  "Proxy-Authenticate: Basic realm=\"p\"\r\n", ""));
  const HttpResult refused = WinHttpRequest(
      {.url = "http://far.example/auth", .proxy = proxy, .proxyUser = "u", .proxyPassword = "p"});
  EXPECT_EQ(refused.statusCode, 407);
  EXPECT_EQ(server.Requests().back().Values("Proxy-Authorization"), Names{"Basic dTpw"});

  // Credentials without a proxy: neither is used.
  WinHttpRequest({.url = server.Url("/direct"), .proxyUser = "u", .proxyPassword = "p"});
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
  HttpResult win;
  HttpResult web;
  {
    TransferAbortGuard guard([&] { return end.load(); });
    win = WinHttpRequest({.url = server.Url("/slow")});
    web = WebRequest({.url = server.Url("/slow")});
    ender.join();
  }
  // Sanity bound only: well under the 15 s and 30 s times without data that
  // would otherwise end these calls.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_TRUE(win.body.empty());
  EXPECT_EQ(win.statusCode, 0);
  EXPECT_EQ(win.failure, HttpFailure::kAborted);
  EXPECT_TRUE(web.body.empty());
  EXPECT_EQ(web.failure, HttpFailure::kAborted);

  // Without the guard requests run as usual again.
  server.SetDefaultResponse(MakeResponse("HTTP/1.1 200 OK", "", "fine"));
  EXPECT_EQ(WebRequest({.url = server.Url("/after")}).body, "fine");
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
  demo.KeepRequests();
  ASSERT_TRUE(demo.Start());
  Site site;
  site.siteHost = demo.SiteHost();
  site.imageHost = demo.ImageHost();
  demo.ClearRequests();
  Text sessionCookies = "sid=x";
  int wrong = 0;
  for (int i = 0; i < 200; ++i) {
    const Text key = "pic-" + std::to_string(i) + (i % 2 ? ".png" : ".jpg");
    const HttpResult picture = WinHttpRequest({.url = PictureUrl(site, key),
                                               .cookies = sessionCookies,
                                               .headers = PictureRefererLine(site, "album"),
                                               .limits = kPictureLimits});
    sessionCookies = picture.cookies;
    if (picture.body != demosite::DemoSite::PictureBytes(key)) ++wrong;
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
  demo.KeepRequests();
  ASSERT_TRUE(demo.Start());
  std::atomic<int> wrong{0};
  const auto fetch = [&](const std::string& prefix) {
    for (int i = 0; i < 40; ++i) {
      const std::string key = prefix + std::to_string(i) + ".gif";
      const Text url = demo.ImageHost() + "/" + key;
      const Bytes body = i % 2 ? WinHttpRequest({.url = url}).body : WebRequest({.url = url}).body;
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

TEST(StandInSite, ResetAndTruncatedPicturesSayWhy) {
  demosite::DemoSite demo;
  demo.KeepRequests();
  ASSERT_TRUE(demo.Start());
  demosite::Fault reset;
  reset.kind = demosite::Fault::Kind::kReset;
  demo.SetFault("/img/reset", reset);
  demosite::Fault cut;
  cut.kind = demosite::Fault::Kind::kTruncate;
  demo.SetFault("/img/cut", cut);
  const HttpResult broken =
      WinHttpRequest({.url = demo.ImageHost() + "/reset.png", .limits = kPictureLimits});
  EXPECT_EQ(broken.failure, HttpFailure::kConnectionBroken);
  const HttpResult truncated =
      WinHttpRequest({.url = demo.ImageHost() + "/cut.png", .limits = kPictureLimits});
  EXPECT_EQ(truncated.failure, HttpFailure::kTruncated);
  EXPECT_TRUE(truncated.body.empty());
  const HttpResult whole =
      WinHttpRequest({.url = demo.ImageHost() + "/whole.png", .limits = kPictureLimits});
  EXPECT_EQ(whole.body, demosite::DemoSite::PictureBytes("whole.png"));
  EXPECT_EQ(whole.headers.ContentLength(), static_cast<long long>(whole.body.size()));
}

// A server may compress what nobody asked it to compress: both request
// operations decode it, pages and pictures alike, and ask for no coding.
TEST(StandInSite, CompressedAnswersAreDecodedOnEveryRoute) {
  demosite::DemoSite demo;
  demo.KeepRequests();
  ASSERT_TRUE(demo.Start());
  const Text page = demo.SiteHost() + "/boards/travel/?isgtq0gn&max=&limit=100&wfl=1";
  const Text picture = demo.ImageHost() + "/spring-1.png";
  const Bytes plainPage = WebRequest({.url = page}).body;
  ASSERT_FALSE(plainPage.empty());
  for (const auto coding : {demosite::Fault::Coding::kGzip, demosite::Fault::Coding::kDeflate}) {
    demosite::Fault compress;
    compress.kind = demosite::Fault::Kind::kCompress;
    compress.coding = coding;
    demo.SetFault("/", compress);
    demo.ClearRequests();
    const HttpResult byWebRequest = WebRequest({.url = page, .limits = kPageLimits});
    EXPECT_EQ(byWebRequest.body, plainPage);
    EXPECT_EQ(WinHttpRequest({.url = page, .limits = kPageLimits}).body, plainPage);
    const HttpResult image = WinHttpRequest({.url = picture, .limits = kPictureLimits});
    EXPECT_EQ(image.body, demosite::DemoSite::PictureBytes("spring-1.png"));
    EXPECT_TRUE(image.headers.Find("Content-Encoding"));
    EXPECT_EQ(WebRequest({.url = picture}).body, demosite::DemoSite::PictureBytes("spring-1.png"));
    ASSERT_EQ(demo.Requests().size(), 4u);
    for (const auto& request : demo.Requests())
      EXPECT_EQ(request.Header("Accept-Encoding"), "") << request.target;
  }
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
  // An address typed on the settings page: blanks and a last "/" go; what is
  // not an http(s) address with a host, or holds a blank, is refused.
  EXPECT_EQ(CheckedSiteAddress(" HTTPS://Pins.example:81/ "), Text("HTTPS://Pins.example:81"));
  for (const Text typed :
       {"ftp://pins.example", "https://", "http://pins .example", "http://a\x7F"})
    EXPECT_FALSE(CheckedSiteAddress(typed)) << typed;
}

}  // namespace
}  // namespace albumdl
