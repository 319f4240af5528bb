#include "net/address_parts.h"

#include <curl/curl.h>

#include <cstdlib>
#include <string>

namespace albumdl::net_internal {
namespace {

Text Lower(const char* text) {
  Text out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

Text WithScheme(const Text& url) {
  const size_t mark = url.find("://");
  return mark == Text::npos || mark == 0 ? "http://" + url : url;
}

}  // namespace

Text AddressParts::Origin() const {
  return valid ? scheme + "://" + host + ":" + std::to_string(port) : Text();
}

AddressParts ParseAddress(const Text& url) {
  AddressParts address;
  CURLU* parsed = curl_url();
  if (parsed == nullptr) return address;
  if (curl_url_set(parsed, CURLUPART_URL, WithScheme(url).c_str(),
                   CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) == CURLUE_OK) {
    char* scheme = nullptr;
    char* host = nullptr;
    char* port = nullptr;
    char* path = nullptr;
    if (curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
      address.scheme = Lower(scheme);
      address.host = Lower(host);
      address.port = std::atoi(port);
      if (curl_url_get(parsed, CURLUPART_PATH, &path, 0) == CURLUE_OK && path[0] == '/') {
        address.path = path;
      }
      address.valid =
          !address.host.empty() && (address.scheme == "http" || address.scheme == "https");
    }
    curl_free(scheme);
    curl_free(host);
    curl_free(port);
    curl_free(path);
  }
  curl_url_cleanup(parsed);
  return address;
}

}  // namespace albumdl::net_internal
