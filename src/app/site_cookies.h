// The site's cookies as the web viewer last held them, kept in a file beside
// the viewer's profile. The browser engine restores its own cookies at the
// next start but does not report the ones it read from disk, so the window
// keeps this copy: the album requests carry the sign-in from the start, and
// the viewer is handed them again when it is made.
#pragma once

#include <QByteArray>
#include <QNetworkCookie>
#include <QString>
#include <vector>

namespace albumdl::app {

// The cookies in the file, without the ones that have expired; none when the
// file is missing or unreadable.
std::vector<QNetworkCookie> ReadSiteCookies(const QString& file);
// Replaces the file (readable by its owner only); false when it cannot.
bool WriteSiteCookies(const QString& file, const std::vector<QNetworkCookie>& cookies);
// "name=value; name2=value2", the bytes as the site set them.
QByteArray SiteCookieText(const std::vector<QNetworkCookie>& cookies);

}  // namespace albumdl::app
