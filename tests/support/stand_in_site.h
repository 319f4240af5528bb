// The program's site settings pointed at a stand-in site running in the test.
#pragma once

#include "demo_site.h"
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

}  // namespace albumdl::testing
