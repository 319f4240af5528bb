#include "session/site_addresses.h"

#include "text/settings.h"

namespace albumdl {

namespace {

// A configured address with blanks and any trailing "/" removed, so that
// appending "/boards/..." never doubles the slash; empty keeps the default.
Text ReadAddress(const Text& path, const Text& key, const Text& current) {
  Text value = TextTrim(ReadSetting(path, "站点设置", key, current));
  while (!value.empty() && value.back() == '/') value.pop_back();
  return value.empty() ? current : value;
}

}  // namespace

Site ReadSiteSettings(const Text& settingsPath) {
  Site site;
  site.siteHost = ReadAddress(settingsPath, "站点地址", site.siteHost);
  site.imageHost = ReadAddress(settingsPath, "图片地址", site.imageHost);
  site.versionPage = ReadAddress(settingsPath, "版本页面", site.versionPage);
  site.feedbackPage = ReadAddress(settingsPath, "反馈页面", site.feedbackPage);
  return site;
}

}  // namespace albumdl
