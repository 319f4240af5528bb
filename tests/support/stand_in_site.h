// The program's site settings pointed at a stand-in site running in the test.
#pragma once

#include "demo_site.h"
#include "net/cookie_jar.h"
#include "net/url_cookies.h"
#include "site/site.h"

namespace albumdl::testing {

inline Site StandInSite(const demosite::DemoSite& site) {
  Site configured;
  configured.siteHost = site.SiteHost();
  configured.imageHost = site.ImageHost();
  configured.versionPage = site.SiteHost() + "/version";
  configured.feedbackPage = site.SiteHost() + "/feedback";
  return configured;
}

// A cookie of the stand-in site's host and port as the viewer's sign-in
// brings it into the jar.
inline Cookie ViewerCookie(const demosite::DemoSite& site, const Text& name, const Text& value) {
  Cookie cookie;
  cookie.name = name;
  cookie.value = value;
  cookie.domain = UrlHost(site.SiteHost());
  cookie.port = site.Port();
  cookie.httpOnly = true;
  cookie.fromUser = true;
  return cookie;
}

}  // namespace albumdl::testing
