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

QByteArray SiteCookieText(const std::vector<QNetworkCookie>& cookies) {
  QByteArray text;
  for (const QNetworkCookie& cookie : cookies) {
    if (!text.isEmpty()) text += "; ";
    text += cookie.name() + '=' + cookie.value();
  }
  return text;
}

}  // namespace albumdl::app
