#include "site/site.h"

#include <string>

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

Text SiteHostName(const Site& site) {
  const Text lower = TextLower(site.siteHost);
  for (const Text scheme : {"http://", "https://"}) {
    if (lower.rfind(scheme, 0) == 0) return site.siteHost.substr(scheme.size());
  }
  return site.siteHost;
}

Text BoardLineMarker(const Site& site) { return SiteHostName(site) + "/boards/"; }

Text BoardAnswerUrl(const Site& site, const Text& boardId) {
  return site.siteHost + "/boards/" + boardId + "/";
}

Text BoardPageUrl(const Site& site, const Text& boardId, const Text& lastPinId) {
  return site.siteHost + "/boards/" + boardId + "/?isgtq0gn&max=" + lastPinId + "&limit=100&wfl=1";
}

Text SearchPageUrl(const Site& site, const Text& encodedKeyword, int page) {
  return site.siteHost + "/search/?q=" + encodedKeyword + "&ikswv4bf&page=" + std::to_string(page) +
         "&per_page=100&wfl=1";
}

Text PictureUrl(const Site& site, const Text& fileKey) { return site.imageHost + "/" + fileKey; }

Text PictureRefererLine(const Site& site, const Text& albumId) {
  return "Referer: " + site.siteHost + "/pins/" + albumId + "/";
}

Site ReadSiteSettings(const Text& settingsPath) {
  Site site;
  site.siteHost = ReadAddress(settingsPath, "站点地址", site.siteHost);
  site.imageHost = ReadAddress(settingsPath, "图片地址", site.imageHost);
  site.versionPage = ReadAddress(settingsPath, "版本页面", site.versionPage);
  site.feedbackPage = ReadAddress(settingsPath, "反馈页面", site.feedbackPage);
  return site;
}

}  // namespace albumdl
