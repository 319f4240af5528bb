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

}  // namespace albumdl
