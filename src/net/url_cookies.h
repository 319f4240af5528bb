// Address splitting, header lines and cookie texts shared by both request
// operations. Pure functions of their texts (MergeCookies also rewrites its two
// arguments in place).
#pragma once

#include "text/text.h"

namespace albumdl {

// The lower-cased host ("[::1]" for an IPv6 address, brackets kept), with
// ":port" when keepPort is set and the address names one.
Text UrlHost(const Text& url, bool keepPort = false);
int UrlPort(const Text& url);
Text UrlPath(const Text& url);
Text HeaderName(const Text& line);
Text HeaderValue(const Text& line);
// True when two header names are the same without letter case (TextLower of
// both equal).
bool SameHeaderName(const Text& a, const Text& b);
// The name=value items of every Set-Cookie line of a raw header block, joined by "; ".
Text CollectCookies(const Text& rawHeaders);
// The new cookies over the old ones; the result is also left in oldCookies, and
// both arguments lose their blanks. Safe with one variable for both.
Text MergeCookies(Text& oldCookies, Text& newCookies);
Text CookieName(const Text& item);
Text UniqueItems(const Text& text, const Text& separator);

}  // namespace albumdl
