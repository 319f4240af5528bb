#include "net/url_cookies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace albumdl {
namespace {

TEST(UrlSplitting, AddressWithoutSchemeMixedCaseHostPortAndPath) {
  const Text url = "Example.COM:8080/a/b";
  EXPECT_EQ(UrlHost(url), "example.com");
  EXPECT_EQ(UrlHost(url, true), "example.com:8080");
  EXPECT_EQ(UrlPort(url), 8080);
  EXPECT_EQ(UrlPath(url), "/a/b");
}

TEST(UrlSplitting, SecureAddressWithoutPathOrPort) {
  const Text url = "https://Img.Example.com";
  EXPECT_EQ(UrlHost(url), "img.example.com");
  EXPECT_EQ(UrlPath(url), "/");
  EXPECT_EQ(UrlPort(url), 443);
  EXPECT_EQ(UrlPort("HTTPS://x.com/"), 443);
  EXPECT_EQ(UrlPort("http://x.com/"), 80);
}

TEST(UrlSplitting, PathKeepsQueryAndLetterCase) {
  const Text url = "http://127.0.0.1:18631/boards/B1/?isgtq0gn&max=&limit=100&wfl=1";
  EXPECT_EQ(UrlPath(url), "/boards/B1/?isgtq0gn&max=&limit=100&wfl=1");
  EXPECT_EQ(UrlHost(url), "127.0.0.1");
  EXPECT_EQ(UrlPort(url), 18631);
}

TEST(UrlSplitting, NonNumericPortIsZero) { EXPECT_EQ(UrlPort("http://x.com:abc/p"), 0); }

// An IPv6 literal keeps its brackets, and its colons are not a port's.
TEST(UrlSplitting, Ipv6LiteralHosts) {
  const Text url = "http://[::1]:8080/boards/b1/";
  EXPECT_EQ(UrlHost(url), "[::1]");
  EXPECT_EQ(UrlHost(url, true), "[::1]:8080");
  EXPECT_EQ(UrlPort(url), 8080);
  EXPECT_EQ(UrlPath(url), "/boards/b1/");
  EXPECT_EQ(UrlHost("https://[FE80::1]/x"), "[fe80::1]");
  EXPECT_EQ(UrlPort("https://[fe80::1]/x"), 443);
  EXPECT_EQ(UrlPort("[::1]/x"), 80);
}

TEST(HeaderLines, NameAndValueCutAtFirstColon) {
  EXPECT_EQ(HeaderValue("Referer: http://a.com:81/x"), "http://a.com:81/x");
  EXPECT_EQ(HeaderName(" Referer : http://a.com/"), "Referer");
  EXPECT_EQ(HeaderValue("no colon here"), "");
  EXPECT_EQ(HeaderName("no colon here"), "");
  // Full-width spaces are blanks too.
  EXPECT_EQ(HeaderValue("X:\xA1\xA1v\xA1\xA1"), "v");
  // Names compare whole and without letter case: a longer name is another
  // one, also when what follows is a NUL byte.
  EXPECT_TRUE(SameHeaderName("set-COOKIE", "Set-Cookie"));
  EXPECT_FALSE(SameHeaderName("Set-Cookie2", "Set-Cookie"));
  EXPECT_FALSE(SameHeaderName(Text("Set-Cookie\0", 11), "Set-Cookie"));
}

TEST(CollectCookies, ItemsWithoutAttributesJoined) {
  EXPECT_EQ(CollectCookies("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"), "");
  EXPECT_EQ(CollectCookies("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/; HttpOnly\r\n"), "a=1");
  EXPECT_EQ(CollectCookies("Set-Cookie: a=1; path=/\r\nX: y\r\nSet-Cookie: b=2\r\n\r\n"),
            "a=1; b=2");
  // Attributes written without a blank after the ";", as many servers do.
  EXPECT_EQ(CollectCookies("Set-Cookie: sid=abc;Path=/;HttpOnly\r\n"), "sid=abc");
  // Without ";" every "Set-Cookie:" is removed in any letter case.
  EXPECT_EQ(CollectCookies("Set-Cookie: set-cookie:c=3"), "c=3");
}

TEST(MergeCookies, NewestValueWinsAndComesFirst) {
  Text oldCookies = "a=1; b=2";
  Text newCookies = "b=3";
  EXPECT_EQ(MergeCookies(oldCookies, newCookies), "b=3; a=1");
  EXPECT_EQ(oldCookies, "b=3; a=1");
  EXPECT_EQ(newCookies, "b=3");
}

TEST(MergeCookies, DeletedCookieDisappearsWithItsOlderValue) {
  Text oldCookies = "a=1; b=2";
  Text newCookies = "a=deleted";
  MergeCookies(oldCookies, newCookies);
  EXPECT_EQ(oldCookies, "b=2");

  Text cookies = "a=1; b=2";
  Text returned = "b=3; a=deleted";
  MergeCookies(cookies, returned);
  EXPECT_EQ(cookies, "b=3");
  EXPECT_EQ(returned, "b=3;a=deleted");
}

TEST(MergeCookies, BlanksRemovedFromBothAndEmptyStaysEmpty) {
  Text oldCookies = "x = 1 ;  y=2";
  Text newCookies =
      " z=\xA1\xA1"
      "3 ";
  EXPECT_EQ(MergeCookies(oldCookies, newCookies), "z=3; x=1; y=2");
  EXPECT_EQ(newCookies, "z=3");

  Text emptyOld;
  Text emptyNew;
  EXPECT_EQ(MergeCookies(emptyOld, emptyNew), "");
  EXPECT_EQ(emptyOld, "");
  EXPECT_EQ(emptyNew, "");
}

TEST(MergeCookies, OneVariableForBothKeepsEachItemOnceWithoutDeleted) {
  Text shared = "a=1; b=deleted; a=1; c=3;a=2";
  MergeCookies(shared, shared);
  EXPECT_EQ(shared, "a=1; c=3; a=2");
}

TEST(MergeCookies, OnlyFirstOfTwoOldItemsWithOneNameSurvives) {
  Text oldCookies = "a=1; a=2";
  Text newCookies = "b=1";
  EXPECT_EQ(MergeCookies(oldCookies, newCookies), "b=1; a=1");
}

TEST(CookieItems, NameAndUniqueItems) {
  EXPECT_EQ(CookieName(" sid =abc=def"), "sid");
  EXPECT_EQ(CookieName("flag"), "flag");
  EXPECT_EQ(UniqueItems("x; y; x", "; "), "x; y");
  EXPECT_EQ(UniqueItems("", "; "), "");
}

// Thousands of items (a site that floods its answers with cookies) merge to
// the same result as a few: each name once, the newest value first.
TEST(MergeCookies, ThousandsOfItemsKeepEachNameOnce) {
  Text oldCookies;
  Text newCookies;
  for (int i = 0; i < 20000; ++i) {
    oldCookies += "o" + std::to_string(i) + "=1; ";
    newCookies += "n" + std::to_string(i % 10000) + "=2; ";
  }
  oldCookies += "n5=old";
  const Text merged = MergeCookies(oldCookies, newCookies);
  EXPECT_EQ(std::count(merged.begin(), merged.end(), ';') + 1, 30000);
  EXPECT_EQ(merged.rfind("n0=2; n1=2; ", 0), 0u);
  EXPECT_EQ(merged.find("n5=old"), Text::npos);
  EXPECT_TRUE(merged.ends_with("; o19999=1"));
}

}  // namespace
}  // namespace albumdl
