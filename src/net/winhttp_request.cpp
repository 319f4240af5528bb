#include "net/winhttp_request.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "net/curl_transfer.h"
#include "net/request_headers.h"
#include "net/url_cookies.h"

namespace albumdl {
namespace {

// Request headers set one by one by name: setting a name again replaces the
// earlier value in its place, and an empty value removes the header. Each name
// therefore goes out once.
class RequestHeaderSet {
 public:
  void Set(const Text& name, const Text& value) {
    if (name.empty()) return;
    const auto same = [&name](const std::pair<Text, Text>& header) {
      return TextLower(header.first) == TextLower(name);
    };
    const auto found = std::find_if(headers_.begin(), headers_.end(), same);
    if (value.empty()) {
      if (found != headers_.end()) headers_.erase(found);
    } else if (found != headers_.end()) {
      found->second = value;
    } else {
      headers_.emplace_back(name, value);
    }
  }

  std::vector<Text> Lines() const {
    std::vector<Text> lines;
    for (const auto& [name, value] : headers_) lines.push_back(name + ": " + value);
    return lines;
  }

 private:
  std::vector<std::pair<Text, Text>> headers_;
};

}  // namespace

Bytes WinHttpRequest(const Text& url, int method, const Text& postText, Text* cookies,
                     Text* returnedCookies, Text* headers, Text* returnedHeaders, int* statusCode,
                     bool noRedirect, const Bytes& postBytes, const Text& proxy, int timeoutSeconds,
                     const Text& proxyUser, const Text& proxyPassword, int proxyCredentialFlag) {
  Text ownCookies;
  Text ownReturnedCookies;
  Text ownHeaders;
  Text ownReturnedHeaders;
  int ownStatus = 0;
  // cookies and newCookies may be one variable; the text to send is taken
  // before anything is written back.
  Text& cookieText = cookies ? *cookies : ownCookies;
  Text& newCookies = returnedCookies ? *returnedCookies : ownReturnedCookies;
  Text& headerText = headers ? *headers : ownHeaders;
  Text& responseHeaders = returnedHeaders ? *returnedHeaders : ownReturnedHeaders;
  int& status = statusCode ? *statusCode : ownStatus;

  net_internal::TransferRequest request;
  request.url = net_internal::WireAddress(net_internal::AddressWithScheme(url));
  request.verb = net_internal::MethodVerb(method);

  // Per phase, never in total: connecting, and going without data. -1 keeps
  // the defaults every other request uses.
  if (timeoutSeconds == -1) {
    request.connectTimeoutSeconds = 60;
    request.idleTimeoutSeconds = 30;
  } else {
    const long seconds = timeoutSeconds < 1 ? 15 : timeoutSeconds;
    request.connectTimeoutSeconds = seconds;
    request.idleTimeoutSeconds = seconds;
  }

  if (!proxy.empty()) {
    request.proxy = proxy;
    request.proxyUser = proxyUser;
    request.proxyPassword = proxyPassword;
    // 0 hands the credentials to the server instead of the proxy.
    request.credentialsForServer = proxyCredentialFlag == 0;
  }
  request.followRedirects = !noRedirect;

  net_internal::CompleteHeaderText(headerText, url, true);
  RequestHeaderSet set;
  // A cookie text comes from outside (the site, the viewer); a line break in it
  // must not start a header line of its own, so breaks are dropped.
  if (!cookieText.empty()) set.Set("Cookie", net_internal::WithoutLineBreaks(cookieText));
  for (const Text& line : net_internal::HeaderLines(headerText)) {
    // A line with a stray CR or LF in it is refused as a whole for the same reason.
    if (line.find_first_of("\r\n") != Text::npos) continue;
    set.Set(HeaderName(line), HeaderValue(line));
  }
  request.headerLines = set.Lines();

  request.body = postBytes.empty() ? postText : postBytes;
  request.sendBody = !request.body.empty() || request.verb == "POST";
  request.useCookieStore = false;

  net_internal::TransferResult result;
  if (net_internal::AcceptableAddress(request.url)) result = net_internal::PerformTransfer(request);

  if (result.completed) {
    responseHeaders = net_internal::ResponseHeaderText(result.responseLines, false);
    status = static_cast<int>(result.status);
  } else {
    responseHeaders.clear();
    status = 0;
  }
  newCookies = CollectCookies(responseHeaders);
  MergeCookies(cookieText, newCookies);
  if (!result.completed) return {};
  return result.body;
}

}  // namespace albumdl
