#include "net/web_request.h"

#include <utility>

#include "net/curl_transfer.h"
#include "net/request_headers.h"
#include "net/url_cookies.h"

namespace albumdl {
namespace {

using net_internal::kDefaultAgent;

// The agent string: the value of a User-Agent line of the caller's headers
// (found in any letter case), else the default. The line itself is sent as
// well, in its place among the other lines; libcurl then adds none of its own.
Text AgentString(const Text& headers) {
  if (TextFind(headers, "User-Agent:", 1, true) == -1) return kDefaultAgent;
  Text agent = TextTrim(TextBetween(headers, "User-Agent:", "\r\n"));
  if (agent.empty()) agent = HeaderValue(headers);
  return agent;
}

}  // namespace

HttpResult WebRequest(const WebRequestParams& params) {
  HttpResult out;
  out.sentHeaders = params.headers;
  out.cookies = params.cookies.value_or("");

  net_internal::TransferRequest request;
  request.url = net_internal::WireAddress(net_internal::AddressWithScheme(params.url));
  // An address that cannot be connected to at all leaves the caller's texts
  // as they were, like a connection that could not be opened.
  if (!net_internal::AcceptableAddress(request.url)) {
    out.failure = HttpFailure::kBadAddress;
    return out;
  }

  Text& headerText = out.sentHeaders;
  request.verb = net_internal::MethodVerb(params.method);
  request.userAgent = AgentString(headerText);
  net_internal::CompleteHeaderText(headerText, params.url, false);
  if (params.cookies && !params.cookies->empty()) {
    // A cookie text comes from outside (the site, the viewer); a line break in
    // it must not start a header line of its own, so breaks are dropped.
    headerText += "\r\nCookie: " + net_internal::WithoutLineBreaks(*params.cookies);
  }
  request.headerLines = net_internal::HeaderLines(headerText);

  if (request.verb != "GET") {
    out.sentBody = params.postBytes.empty() ? params.postText : params.postBytes;
    request.sendBody = true;
    request.body = out.sentBody;
  }
  // The jar stands in for the caller's cookies exactly when the caller brings
  // none; a Cookie line among the caller's header lines joins the jar's.
  if (!params.cookies) request.jar = params.jar;
  request.followRedirects = !params.noRedirect;
  request.proxy = params.proxy;
  request.connectTimeoutSeconds = 60;
  request.idleTimeoutSeconds = 30;
  request.maxBodyBytes = params.limits.maxBodyBytes;
  request.totalTimeoutMs = params.limits.totalTimeoutSeconds * 1000L;

  net_internal::TransferResult result = net_internal::PerformTransfer(request);

  // The header lines that came are reported even when the transfer failed.
  out.returnedHeaders = net_internal::ResponseHeaderText(result.responseLines, true);
  out.headers = std::move(result.headers);
  out.returnedCookies = CollectCookies(out.returnedHeaders);
  if (params.cookies) {
    Text returned = out.returnedCookies;
    MergeCookies(out.cookies, returned);
  }
  out.failure = result.failure;
  // A body cut short is no body (the transfer gives none): callers take an
  // empty one as a failed fetch and retry, where a truncated page would be
  // read as a short one.
  if (result.Completed()) {
    out.statusCode = static_cast<int>(result.status);
    out.body = std::move(result.body);
  }
  return out;
}

}  // namespace albumdl
