// The header lines of one response, cut into names and values once, so that
// looking a header up neither splits the block again nor lower-cases every
// line again. Names are matched without letter case.
#pragma once

#include <optional>
#include <vector>

#include "text/text.h"

namespace albumdl {

class ResponseHeaders {
 public:
  ResponseHeaders() = default;
  // From the status line and the header lines as they arrived, without line
  // ends. A first line that is not a status line counts as a header line.
  explicit ResponseHeaders(const std::vector<Text>& lines);

  // The number of the status line ("HTTP/1.1 404 Not Found" gives 404), 0 when none.
  int Status() const { return status_; }
  // The value of the first line with this name, blanks trimmed; nothing when
  // no line has it.
  std::optional<Text> Find(const Text& name) const;
  // The values of every line with this name, in order.
  std::vector<Text> FindAll(const Text& name) const;

  // Content-Length when it is a plain number.
  std::optional<long long> ContentLength() const { return contentLength_; }
  // Content-Type, empty when absent.
  const Text& ContentType() const { return contentType_; }
  // Retry-After when it gives a number of seconds (not when it gives a date).
  std::optional<long long> RetryAfterSeconds() const { return retryAfterSeconds_; }
  // The values of the Set-Cookie lines, attributes included, in order.
  std::vector<Text> SetCookies() const { return FindAll("Set-Cookie"); }
  // Where a redirect points, empty when the response names no place.
  Text Location() const { return Find("Location").value_or(""); }

 private:
  struct Field {
    Text lowerName;
    Text value;
  };
  int status_ = 0;
  std::vector<Field> fields_;
  std::optional<long long> contentLength_;
  Text contentType_;
  std::optional<long long> retryAfterSeconds_;
};

}  // namespace albumdl
