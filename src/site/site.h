// The image-board site as the program addresses it: the site host (pages, JSON
// answers) and the image host (picture files), each a base address with scheme
// and without a trailing "/".
#pragma once

#include "text/text.h"

namespace albumdl {

// The stand-in site's loopback address, used when nothing is configured.
inline constexpr int kDefaultDemoSitePort = 18631;

struct Site {
  Text siteHost = "http://127.0.0.1:18631";
  Text imageHost = "http://127.0.0.1:18631/img";
  Text versionPage = "http://127.0.0.1:18631/version";
  Text feedbackPage = "http://127.0.0.1:18631/feedback";
};

// The header text of every JSON answer and search page request.
inline const Text kJsonRequestHeaders =
    "X-Requested-With: XMLHttpRequest\r\nX-Request: JSON\r\n\r\n";

// The site host's name without scheme, followed by "/boards/".
Text BoardLineMarker(const Site& site);
// site host + "/boards/" + board id + "/"
Text BoardAnswerUrl(const Site& site, const Text& boardId);
// site host + "/boards/" + id + "/?isgtq0gn&max=" + lastPinId + "&limit=100&wfl=1"
Text BoardPageUrl(const Site& site, const Text& boardId, const Text& lastPinId);
// site host + "/search/?q=" + encodedKeyword + "&ikswv4bf&page=" + n + "&per_page=100&wfl=1"
Text SearchPageUrl(const Site& site, const Text& encodedKeyword, int page);
// image host + "/" + key
Text PictureUrl(const Site& site, const Text& fileKey);
// "Referer: " + site host + "/pins/" + album id + "/"
Text PictureRefererLine(const Site& site, const Text& albumId);
// The site host's name without scheme ("127.0.0.1:18631").
Text SiteHostName(const Site& site);

// Reads section "站点设置" (keys 站点地址, 图片地址, 版本页面, 反馈页面) of the
// settings file; absent keys keep the defaults.
Site ReadSiteSettings(const Text& settingsPath);

}  // namespace albumdl
