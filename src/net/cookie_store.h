// The process-wide cookie store used by WebRequest when the caller supplies no
// cookie text. Filled from outside too: the window feeds the web viewer's cookies
// into it, the command line a Netscape cookies.txt file.
#pragma once

#include <string>

#include "text/text.h"

namespace albumdl {

// Adds or replaces cookies for a host from a cookie text ("a=1; b=2").
void StoreCookies(const Text& host, const Text& cookieText);
// Adds the items of a cookie text whose names the store does not send to this
// address yet; the store's own values win.
void StoreCookiesNotHeld(const Text& url, const Text& cookieText);
// Forgets the host's cookies of these names (the names of a cookie text, "a=1;
// b" or "a; b"), as a site's expiring them would: a sign-out in the viewer.
void ForgetStoredCookies(const Text& host, const Text& cookieNames);
// Loads a Netscape cookies.txt file (native path). False when unreadable.
bool LoadCookieFile(const std::string& nativePath);
// The same from the file's text, read by the caller.
void LoadCookieText(const std::string& content);
// The cookie text the store would send to this address ("a=1; b=2"), empty when none.
Text StoredCookiesFor(const Text& url);
// Forgets every stored cookie (tests, sign-out).
void ClearCookieStore();

}  // namespace albumdl
