// 超文本浏览框1, the web viewer in which the user signs in to the site. The
// control itself is a plain container, so the window starts without loading
// the browser engine; the engine's view and its profile are made on first use.
// The profile keeps its cookies on disk in the program directory, so a sign-in
// survives a restart. The viewer follows its cookie store and reports the
// site's cookies (HttpOnly ones included, which a page's script cannot see) as
// one cookie text.
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

  // Makes the view on first call. storageFolder: where the profile keeps its
  // cookies and cache (native path); siteHost: the site whose cookies are
  // reported ("http://host:port").
  void EnsureCreated(const QString& storageFolder, const QString& siteHost);
  bool Created() const { return view_ != nullptr; }
  QWebEngineView* View() const { return view_; }

  void Load(const QUrl& address);  // makes the view when needed
  QUrl Address() const;
  // The address of the link under the pointer, as a status bar would show it.
  QString HoveredLink() const { return hoveredLink_; }
  // The site's cookies as "name=value; name2=value2", their bytes as the site
  // set them.
  QByteArray CookieText() const;

 signals:
  // The viewer's address, at every load start and end.
  void addressChanged(const QUrl& address);
  void cookiesChanged(const QByteArray& cookieText);

 private:
  bool ForSite(const QNetworkCookie& cookie) const;
  void CookieAdded(const QNetworkCookie& cookie);
  void CookieRemoved(const QNetworkCookie& cookie);

  QWebEngineProfile* profile_ = nullptr;
  QWebEngineView* view_ = nullptr;
  QString siteHostName_;  // without scheme and port
  QString hoveredLink_;
  std::vector<QNetworkCookie> cookies_;  // the site's, in the order they came
};

}  // namespace albumdl::app
