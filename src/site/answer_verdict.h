// The one place that decides, for every answer the downloads get (pages and
// pictures alike), whether it is good, worth asking for again, or given up,
// and why, in words the log can show.
#pragma once

#include "net/http_result.h"
#include "site/json_value.h"
#include "text/text.h"

namespace albumdl {

// Retry-After is obeyed up to a minute.
inline constexpr int kMostRetryAfterMs = 60000;

struct AnswerVerdict {
  enum class Kind {
    kOk,      // the answer is what was asked for
    kRetry,   // time-out, broken or cut-short transfer, 5xx, 429, an empty or wrong body
    kGiveUp,  // 404, 410, 401, 403 and other refusals, a body over the limit
    kEnded,   // the run was ended during the transfer
  };
  Kind kind = Kind::kOk;
  // Code page 936, for a line of its own after the failure line; empty for kOk.
  Text reason;
  // The site said how long to wait (Retry-After), in milliseconds of real
  // time, whatever the pace; 0 for the usual pause.
  int siteWaitMs = 0;

  bool ok() const { return kind == Kind::kOk; }
};

// The transfer and the status alone: good for a 2xx that came whole.
AnswerVerdict JudgeExchange(const HttpResult& reply);
// A picture: a good exchange whose body is a picture, of the announced length,
// or, when no length was announced, running to its form's own end
// (picture_form.h).
AnswerVerdict JudgePicture(const HttpResult& reply);
// A page: a good exchange whose body is not empty and parses (parsed).
AnswerVerdict JudgePage(const HttpResult& reply, const JsonValue& parsed);

}  // namespace albumdl
