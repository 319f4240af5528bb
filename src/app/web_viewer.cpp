#include "app/web_viewer.h"

#include <QDir>
#include <QVBoxLayout>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "app/site_cookies.h"

namespace albumdl::app {

namespace {

// A link that asks for a new window opens in the viewer itself: the window
// gets a page of its own for just long enough to learn where it was going.
class NewWindowCatcher : public QWebEnginePage {
 public:
  NewWindowCatcher(QWebEngineProfile* profile, WebViewer* viewer)
      : QWebEnginePage(profile, viewer), viewer_(viewer) {}

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
    if (!done_) {
      done_ = true;
      viewer_->Load(url);
      deleteLater();
    }
    return false;
  }

 private:
  WebViewer* viewer_;
  bool done_ = false;
};

class ViewerPage : public QWebEnginePage {
 public:
  ViewerPage(QWebEngineProfile* profile, WebViewer* viewer)
      : QWebEnginePage(profile, viewer), viewer_(viewer) {}

 protected:
  QWebEnginePage* createWindow(WebWindowType) override {
    return new NewWindowCatcher(profile(), viewer_);
  }

 private:
  WebViewer* viewer_;
};

}  // namespace

WebViewer::WebViewer(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

// The view and its pages go before the profile they use.
WebViewer::~WebViewer() {
  delete view_;
  view_ = nullptr;
  for (QObject* child : children()) {
    if (auto* page = qobject_cast<QWebEnginePage*>(child)) delete page;
  }
  delete profile_;
}

namespace {
QString CookieFile(const QString& storageFolder) {
  return storageFolder + QStringLiteral("/site-cookies.txt");
}
}  // namespace

void WebViewer::Configure(const QString& storageFolder, const QString& siteHost) {
  storageFolder_ = storageFolder;
  siteOrigin_ = QUrl(siteHost);
  siteHostName_ = siteOrigin_.host();
  cookies_.clear();
  for (const QNetworkCookie& cookie : ReadSiteCookies(CookieFile(storageFolder_)))
    if (ForSite(cookie)) cookies_.push_back(cookie);
}

void WebViewer::EnsureCreated() {
  if (view_ != nullptr) return;
  QDir().mkpath(storageFolder_);
  // A named profile keeps its data on disk; session cookies are kept too, so
  // that a sign-in lasts beyond this run of the program.
  profile_ = new QWebEngineProfile(QStringLiteral("albumdl"), nullptr);
  profile_->setPersistentStoragePath(storageFolder_);
  profile_->setCachePath(storageFolder_ + QStringLiteral("/cache"));
  profile_->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
  QWebEngineCookieStore* store = profile_->cookieStore();
  connect(store, &QWebEngineCookieStore::cookieAdded, this, &WebViewer::CookieAdded);
  connect(store, &QWebEngineCookieStore::cookieRemoved, this, &WebViewer::CookieRemoved);
  // The site's cookies of the last run go in again: the engine restores its
  // own but does not report them. A cookie for the host alone is given by
  // its origin, one for a domain by the domain.
  for (QNetworkCookie cookie : cookies_) {
    if (!cookie.domain().startsWith(QLatin1Char('.'))) cookie.setDomain(QString());
    store->setCookie(cookie, siteOrigin_);
  }
  store->loadAllCookies();

  view_ = new QWebEngineView(this);
  view_->setAccessibleName(QStringLiteral("网页浏览"));
  auto* page = new ViewerPage(profile_, this);
  view_->setPage(page);
  layout()->addWidget(view_);
  connect(page, &QWebEnginePage::linkHovered, this,
          [this](const QString& link) { hoveredLink_ = link; });
  connect(view_, &QWebEngineView::loadStarted, this, [this] { emit addressChanged(Address()); });
  connect(view_, &QWebEngineView::urlChanged, this, [this] { emit addressChanged(Address()); });
  connect(view_, &QWebEngineView::loadFinished, this, [this] { emit addressChanged(Address()); });
}

void WebViewer::Load(const QUrl& address) {
  if (view_ == nullptr) return;
  view_->setUrl(address);
}

QUrl WebViewer::Address() const { return view_ ? view_->url() : QUrl(); }

bool WebViewer::ForSite(const QNetworkCookie& cookie) const {
  QString domain = cookie.domain();
  if (domain.startsWith(QLatin1Char('.'))) domain.remove(0, 1);
  // An IPv6 host may come with or without its brackets.
  if (domain.startsWith(QLatin1Char('[')) && domain.endsWith(QLatin1Char(']')))
    domain = domain.mid(1, domain.size() - 2);
  if (domain.isEmpty() || siteHostName_.isEmpty()) return false;
  return siteHostName_.compare(domain, Qt::CaseInsensitive) == 0 ||
         siteHostName_.endsWith(QLatin1Char('.') + domain, Qt::CaseInsensitive);
}

void WebViewer::CookieAdded(const QNetworkCookie& cookie) {
  if (!ForSite(cookie)) return;
  for (QNetworkCookie& known : cookies_) {
    if (known.hasSameIdentifier(cookie)) {
      if (known.toRawForm() == cookie.toRawForm()) return;
      known = cookie;
      KeepCookies();
      emit siteCookieAdded(cookie);
      return;
    }
  }
  cookies_.push_back(cookie);
  KeepCookies();
  emit siteCookieAdded(cookie);
}

void WebViewer::CookieRemoved(const QNetworkCookie& cookie) {
  const auto before = cookies_.size();
  std::erase_if(cookies_,
                [&](const QNetworkCookie& known) { return known.hasSameIdentifier(cookie); });
  if (cookies_.size() == before) return;
  KeepCookies();
  emit siteCookieRemoved(cookie);
}

void WebViewer::KeepCookies() { WriteSiteCookies(CookieFile(storageFolder_), cookies_); }

}  // namespace albumdl::app
