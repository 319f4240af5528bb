// The image-board site as the program addresses it: the site host (pages, JSON
// answers) and the image host (picture files), each a base address with scheme
// and without a trailing "/", and the maker's version and feedback pages.
// Configured in the settings file; the stand-in site on loopback otherwise.
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

// Reads section "站点设置" (keys 站点地址, 图片地址, 版本页面, 反馈页面) of the
// settings file; absent keys keep the defaults.
Site ReadSiteSettings(const Text& settingsPath);

}  // namespace albumdl
