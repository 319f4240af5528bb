#include "session/site_addresses.h"

#include "text/settings.h"

namespace albumdl {

namespace {

// A configured address with blanks and any trailing "/" removed, so that
// appending "/boards/..." never doubles the slash; empty keeps the default.
Text ReadAddress(const Text& path, const Text& key, const Text& current) {
  Text value = TextTrim(ReadSetting(path, kSiteSection, key, current));
  while (!value.empty() && value.back() == '/') value.pop_back();
  return value.empty() ? current : value;
}

}  // namespace

Site ReadSiteSettings(const Text& settingsPath) {
  Site site;
  site.siteHost = ReadAddress(settingsPath, kSiteHostKey, site.siteHost);
  site.imageHost = ReadAddress(settingsPath, kImageHostKey, site.imageHost);
  site.versionPage = ReadAddress(settingsPath, kVersionPageKey, site.versionPage);
  site.feedbackPage = ReadAddress(settingsPath, kFeedbackPageKey, site.feedbackPage);
  return site;
}

}  // namespace albumdl
