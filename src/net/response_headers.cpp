#include "net/response_headers.h"

#include <utility>

#include "net/url_cookies.h"

namespace albumdl {
namespace {

// A count of bytes or seconds: digits only, and few enough to fit.
std::optional<long long> PlainNumber(const std::optional<Text>& value) {
  if (!value || value->empty() || value->size() > 18) return std::nullopt;
  for (char c : *value) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  return TextToInt(*value);
}

// TextLower of a header name, in place when it is plain ASCII (as names are).
Text LowerName(Text name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) return TextLower(name);
  }
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return name;
}

}  // namespace

ResponseHeaders::ResponseHeaders(const std::vector<Text>& lines) {
  size_t first = 0;
  if (!lines.empty() && lines.front().rfind("HTTP/", 0) == 0) {
    const Text& statusLine = lines.front();
    const size_t space = statusLine.find(' ');
    if (space != Text::npos) status_ = static_cast<int>(TextToInt(statusLine.substr(space + 1)));
    first = 1;
  }
  fields_.reserve(lines.size() - first);
  for (size_t i = first; i < lines.size(); ++i) {
    Text name = HeaderName(lines[i]);
    if (name.empty()) continue;
    fields_.push_back(Field{LowerName(std::move(name)), HeaderValue(lines[i])});
  }
  contentLength_ = PlainNumber(Find("Content-Length"));
  contentType_ = Find("Content-Type").value_or("");
  retryAfterSeconds_ = PlainNumber(Find("Retry-After"));
}

std::optional<Text> ResponseHeaders::Find(const Text& name) const {
  for (const Field& field : fields_) {
    if (SameHeaderName(field.lowerName, name)) return field.value;
  }
  return std::nullopt;
}

std::vector<Text> ResponseHeaders::FindAll(const Text& name) const {
  std::vector<Text> values;
  for (const Field& field : fields_) {
    if (SameHeaderName(field.lowerName, name)) values.push_back(field.value);
  }
  return values;
}

}  // namespace albumdl
