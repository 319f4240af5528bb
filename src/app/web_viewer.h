// 超文本浏览框1, the web viewer in which the user signs in to the site. The
// control itself is a plain container, so the window starts without loading
// the browser engine; the engine's view and its profile are made on first use.
// The profile keeps its cookies on disk in the program directory, and the
// site's are kept in a file of their own too (site_cookies.h), so a sign-in
// survives a restart. The viewer follows its cookie store and reports each of
// the site's cookies as it comes and goes, with its domain, path, expiry and
// flags (HttpOnly ones included, which a page's script cannot see): the window
// feeds them into the session's jar.
#pragma once

#include <QByteArray>
#include <QNetworkCookie>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <vector>

class QWebEngineProfile;
class QWebEngineView;

namespace albumdl::app {

class WebViewer : public QWidget {
  Q_OBJECT

 public:
  explicit WebViewer(QWidget* parent = nullptr);
  ~WebViewer() override;

  // Where the profile keeps its data (native path) and the site whose cookies
  // are reported ("http://host:port"). Reads the site's cookies kept from the
  // last run (cheap: the browser engine is not started).
  void Configure(const QString& storageFolder, const QString& siteHost);
  // Makes the view and its profile on first call.
  void EnsureCreated();
  bool Created() const { return view_ != nullptr; }
  QWebEngineView* View() const { return view_; }

  void Load(const QUrl& address);  // makes the view when needed
  QUrl Address() const;
  // The address of the link under the pointer, as a status bar would show it.
  QString HoveredLink() const { return hoveredLink_; }
  // The site's cookies as the viewer holds them now (from the last run's file
  // until the browser engine is made), in the order they came.
  const std::vector<QNetworkCookie>& SiteCookies() const { return cookies_; }

 signals:
  // The viewer's address, at every load start and end.
  void addressChanged(const QUrl& address);
  // One of the site's cookies was set (a sign-in) or changed.
  void siteCookieAdded(const QNetworkCookie& cookie);
  // One of the site's cookies is gone (a sign-out, an expiry, a deletion).
  void siteCookieRemoved(const QNetworkCookie& cookie);

 private:
  bool ForSite(const QNetworkCookie& cookie) const;
  void CookieAdded(const QNetworkCookie& cookie);
  void CookieRemoved(const QNetworkCookie& cookie);

  void KeepCookies();

  QString storageFolder_;
  QUrl siteOrigin_;
  QWebEngineProfile* profile_ = nullptr;
  QWebEngineView* view_ = nullptr;
  QString siteHostName_;  // without scheme and port
  QString hoveredLink_;
  std::vector<QNetworkCookie> cookies_;  // the site's, in the order they came
};

}  // namespace albumdl::app
