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
      return SameHeaderName(header.first, name);
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

HttpResult WinHttpRequest(const WinHttpRequestParams& params) {
  HttpResult out;
  net_internal::TransferRequest request;
  request.url = net_internal::WireAddress(net_internal::AddressWithScheme(params.url));
  request.verb = net_internal::MethodVerb(params.method);

  // Per phase: connecting, and going without data. -1 keeps the defaults
  // every other request uses.
  if (params.timeoutSeconds == -1) {
    request.connectTimeoutSeconds = 60;
    request.idleTimeoutSeconds = 30;
  } else {
    const long seconds = params.timeoutSeconds < 1 ? 15 : params.timeoutSeconds;
    request.connectTimeoutSeconds = seconds;
    request.idleTimeoutSeconds = seconds;
  }
  request.maxBodyBytes = params.limits.maxBodyBytes;
  request.totalTimeoutMs = params.limits.totalTimeoutSeconds * 1000L;

  if (!params.proxy.empty()) {
    request.proxy = params.proxy;
    request.proxyUser = params.proxyUser;
    request.proxyPassword = params.proxyPassword;
    // 0 hands the credentials to the server instead of the proxy.
    request.credentialsForServer = params.proxyCredentialFlag == 0;
  }
  request.followRedirects = !params.noRedirect;

  out.sentHeaders = params.headers;
  net_internal::CompleteHeaderText(out.sentHeaders, params.url, true);
  RequestHeaderSet set;
  // A cookie text comes from outside (the site, the viewer); a line break in it
  // must not start a header line of its own, so breaks are dropped.
  if (!params.cookies.empty()) {
    set.Set("Cookie", net_internal::WithoutLineBreaks(params.cookies));
  }
  for (const Text& line : net_internal::HeaderLines(out.sentHeaders)) {
    // A line with a stray CR or LF in it is refused as a whole for the same reason.
    if (line.find_first_of("\r\n") != Text::npos) continue;
    set.Set(HeaderName(line), HeaderValue(line));
  }
  request.headerLines = set.Lines();

  out.sentBody = params.postBytes.empty() ? params.postText : params.postBytes;
  request.body = out.sentBody;
  request.sendBody = !request.body.empty() || request.verb == "POST";
  request.jar = params.jar;

  // libcurl refuses what is not an http or https address it can parse, as
  // kBadAddress, before it connects anywhere.
  net_internal::TransferResult result = net_internal::PerformTransfer(request);

  out.failure = result.failure;
  // A failed exchange reports no header lines and no status.
  if (result.Completed()) {
    out.returnedHeaders = net_internal::ResponseHeaderText(result.responseLines, false);
    out.headers = std::move(result.headers);
    out.statusCode = static_cast<int>(result.status);
    out.body = std::move(result.body);
  }
  out.returnedCookies = CollectCookies(out.returnedHeaders);
  // Always merged, so the caller's text comes back normalised even when
  // nothing came.
  out.cookies = params.cookies;
  Text returned = out.returnedCookies;
  MergeCookies(out.cookies, returned);
  return out;
}

}  // namespace albumdl
