#include "app/site_cookies.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace albumdl::app {

std::vector<QNetworkCookie> ReadSiteCookies(const QString& file) {
  std::vector<QNetworkCookie> cookies;
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) return cookies;
  const QDateTime now = QDateTime::currentDateTimeUtc();
  for (const QByteArray& line : in.readAll().split('\n')) {
    for (const QNetworkCookie& cookie : QNetworkCookie::parseCookies(line)) {
      if (!cookie.isSessionCookie() && cookie.expirationDate() <= now) continue;
      cookies.push_back(cookie);
    }
  }
  return cookies;
}

bool WriteSiteCookies(const QString& file, const std::vector<QNetworkCookie>& cookies) {
  QDir().mkpath(QFileInfo(file).absolutePath());
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly)) return false;
  out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  for (const QNetworkCookie& cookie : cookies) out.write(cookie.toRawForm() + '\n');
  return out.commit();
}

Cookie JarCookie(const QNetworkCookie& cookie, const QUrl& siteOrigin) {
  const auto text = [](const QByteArray& bytes) {
    return Text(bytes.constData(), static_cast<size_t>(bytes.size()));
  };
  Cookie jarCookie;
  jarCookie.name = text(cookie.name());
  jarCookie.value = text(cookie.value());
  QString domain = cookie.domain();
  jarCookie.hostOnly = !domain.startsWith(QLatin1Char('.'));
  if (domain.isEmpty()) domain = siteOrigin.host();
  jarCookie.domain = text(domain.toUtf8());
  jarCookie.path = cookie.path().isEmpty() ? Text("/") : text(cookie.path().toUtf8());
  const bool secureSite = siteOrigin.scheme() == QStringLiteral("https");
  jarCookie.port = siteOrigin.port(secureSite ? 443 : 80);
  jarCookie.secure = cookie.isSecure();
  jarCookie.httpOnly = cookie.isHttpOnly();
  jarCookie.expires = cookie.isSessionCookie() ? 0 : cookie.expirationDate().toSecsSinceEpoch();
  // What the user signed in with goes last when the jar is full.
  jarCookie.fromUser = true;
  return jarCookie;
}

}  // namespace albumdl::app
