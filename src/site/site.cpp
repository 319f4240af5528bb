#include "site/site.h"

#include <string>

namespace albumdl {
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

// The pin id is the site's own text: percent-encoded, an id holding "&" or "#"
// cannot add words to the query or cut it short. Digits go as they are.
Text BoardPageUrl(const Site& site, const Text& boardId, const Text& lastPinId) {
  return site.siteHost + "/boards/" + boardId +
         "/?isgtq0gn&max=" + UrlEncode(lastPinId, true, true) + "&limit=100&wfl=1";
}

Text SearchPageUrl(const Site& site, const Text& encodedKeyword, int page) {
  return site.siteHost + "/search/?q=" + encodedKeyword + "&ikswv4bf&page=" + std::to_string(page) +
         "&per_page=100&wfl=1";
}

Text PictureUrl(const Site& site, const Text& fileKey) { return site.imageHost + "/" + fileKey; }

Text PictureRefererLine(const Site& site, const Text& albumId) {
  return "Referer: " + site.siteHost + "/pins/" + albumId + "/";
}

}  // namespace albumdl
