// The addresses the program asks the site for, built from the configured
// site host and image host (session/site_addresses.h).
#pragma once

#include "session/site_addresses.h"
#include "text/text.h"

namespace albumdl {

// The header text of every JSON answer and search page request.
inline const Text kJsonRequestHeaders =
    "X-Requested-With: XMLHttpRequest\r\nX-Request: JSON\r\n\r\n";

// The site host's name without scheme, followed by "/boards/".
Text BoardLineMarker(const Site& site);
// site host + "/boards/" + board id + "/"
Text BoardAnswerUrl(const Site& site, const Text& boardId);
// site host + "/boards/" + id + "/?isgtq0gn&max=" + lastPinId (percent-encoded) +
// "&limit=100&wfl=1"
Text BoardPageUrl(const Site& site, const Text& boardId, const Text& lastPinId);
// site host + "/search/?q=" + encodedKeyword + "&ikswv4bf&page=" + n + "&per_page=100&wfl=1"
Text SearchPageUrl(const Site& site, const Text& encodedKeyword, int page);
// image host + "/" + key
Text PictureUrl(const Site& site, const Text& fileKey);
// "Referer: " + site host + "/pins/" + album id + "/"
Text PictureRefererLine(const Site& site, const Text& albumId);
// The site host's name without scheme ("127.0.0.1:18631").
Text SiteHostName(const Site& site);

}  // namespace albumdl
