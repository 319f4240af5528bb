// The one way the program asks the site for something: attempt after attempt
// until the answer is good or given up, each attempt waiting at the gate first
// (a paused run asks for nothing), the pauses between them through the pacer,
// the site's own Retry-After in real time.
#pragma once

#include <functional>

#include "control/pacer.h"
#include "control/run_gate.h"
#include "net/http_result.h"
#include "site/answer_verdict.h"
#include "site/json_value.h"

namespace albumdl {

struct AttemptPolicy {
  int attempts;
  int pauseMs;          // between two attempts, as the pace scales it
  bool pauseAfterLast;  // a page waits after its last failed attempt too
};
// A page is asked for 10 times, 2000 ms apart.
inline constexpr AttemptPolicy kPageAttemptPolicy{10, 2000, true};
// A picture 3 times, 2000 ms apart.
inline constexpr AttemptPolicy kPictureAttemptPolicy{3, 2000, false};

struct Fetched {
  HttpResult reply;       // of the last attempt
  AnswerVerdict verdict;  // of the last attempt
  bool ended = false;     // the run was ended meanwhile
};

Fetched FetchWithAttempts(RunGate& gate, Pacer& pacer, const AttemptPolicy& policy,
                          const std::function<HttpResult()>& attempt,
                          const std::function<AnswerVerdict(const HttpResult&)>& judge);

// A JSON page (an album's answer, a page of its pins) asked for with the
// page's attempts: up to 10, 2000 ms apart, until an answer is good; a 404
// or a refused sign-in is not asked for again.
struct FetchedPage {
  Bytes body;           // the last answer's body as it came (UTF-8)
  JsonValue json;       // the page, when it came (empty when it failed)
  bool failed = false;  // no good answer after every attempt, or given up
  Text reason;          // why, for the log
  bool ended = false;   // the work was ended meanwhile
};
FetchedPage FetchPage(RunGate& gate, Pacer& pacer, const std::function<HttpResult()>& attempt);

}  // namespace albumdl
