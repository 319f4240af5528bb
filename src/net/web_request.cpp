#include "net/web_request.h"

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

Bytes WebRequest(const Text& url, int method, const Text& postText, Text* cookies,
                 Text* returnedCookies, Text* headers, Text* returnedHeaders, bool noRedirect,
                 Bytes* postBytes, const Text& proxy) {
  net_internal::TransferRequest request;
  request.url = net_internal::WireAddress(net_internal::AddressWithScheme(url));
  // An address that cannot be connected to at all leaves every parameter as
  // it was, like a connection that could not be opened.
  if (!net_internal::AcceptableAddress(request.url)) return {};

  Text ownHeaders;
  Text ownReturnedHeaders;
  Text ownReturnedCookies;
  Bytes ownPostBytes;
  Text& headerText = headers ? *headers : ownHeaders;
  Text& responseHeaders = returnedHeaders ? *returnedHeaders : ownReturnedHeaders;
  Text& newCookies = returnedCookies ? *returnedCookies : ownReturnedCookies;
  Bytes& body = postBytes ? *postBytes : ownPostBytes;

  request.verb = net_internal::MethodVerb(method);
  request.userAgent = AgentString(headerText);
  net_internal::CompleteHeaderText(headerText, url, false);
  if (cookies && !cookies->empty()) {
    // A cookie text comes from outside (the site, the viewer); a line break in
    // it must not start a header line of its own, so breaks are dropped.
    headerText += "\r\nCookie: " + net_internal::WithoutLineBreaks(*cookies);
  }
  request.headerLines = net_internal::HeaderLines(headerText);

  if (request.verb != "GET") {
    if (body.empty()) body = postText;
    request.sendBody = true;
    request.body = body;
  }
  // The process-wide store stands in for the caller's cookies exactly when the
  // caller brings none.
  request.useCookieStore = cookies == nullptr;
  request.followRedirects = !noRedirect;
  request.proxy = proxy;
  request.connectTimeoutSeconds = 60;
  request.idleTimeoutSeconds = 30;

  net_internal::TransferResult result = net_internal::PerformTransfer(request);

  responseHeaders = net_internal::ResponseHeaderText(result.responseLines, true);
  newCookies = CollectCookies(responseHeaders);
  if (cookies) MergeCookies(*cookies, newCookies);
  // A body cut short is no body: callers take an empty one as a failed fetch
  // and retry, where a truncated page would be read as a short one.
  if (!result.completed) return {};
  return result.body;
}

}  // namespace albumdl
