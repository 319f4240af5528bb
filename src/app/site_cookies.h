// The site's cookies as the web viewer last held them, kept in a file beside
// the viewer's profile. The browser engine restores its own cookies at the
// next start but does not report the ones it read from disk, so the window
// keeps this copy: the session's jar holds the sign-in from the start, and
// the viewer is handed them again when it is made.
#pragma once

#include <QByteArray>
#include <QNetworkCookie>
#include <QString>
#include <QUrl>
#include <vector>

#include "net/cookie_jar.h"

namespace albumdl::app {

// The cookies in the file, without the ones that have expired; none when the
// file is missing or unreadable.
std::vector<QNetworkCookie> ReadSiteCookies(const QString& file);
// Replaces the file (readable by its owner only); false when it cannot.
bool WriteSiteCookies(const QString& file, const std::vector<QNetworkCookie>& cookies);
// A cookie of the viewer as the session's jar keeps it: with its domain (host
// only, or a ".domain" and the hosts below it), path, expiry and flags, the
// bytes of its name and value as the site set them, on the site's port.
Cookie JarCookie(const QNetworkCookie& cookie, const QUrl& siteOrigin);

}  // namespace albumdl::app
