#include "site/fetch_attempts.h"

#include <utility>

namespace albumdl {

Fetched FetchWithAttempts(RunGate& gate, Pacer& pacer, const AttemptPolicy& policy,
                          const std::function<HttpResult()>& attempt,
                          const std::function<AnswerVerdict(const HttpResult&)>& judge) {
  Fetched fetched;
  for (int n = 1; n <= policy.attempts; ++n) {
    if (!gate.Pass()) {
      fetched.ended = true;
      return fetched;
    }
    fetched.reply = attempt();
    fetched.verdict = judge(fetched.reply);
    switch (fetched.verdict.kind) {
      case AnswerVerdict::Kind::kOk:
      case AnswerVerdict::Kind::kGiveUp:
        return fetched;
      case AnswerVerdict::Kind::kEnded:
        fetched.ended = true;
        return fetched;
      case AnswerVerdict::Kind::kRetry:
        break;
    }
    if (n == policy.attempts && !policy.pauseAfterLast) break;
    const bool goOn = fetched.verdict.siteWaitMs > 0 ? pacer.RealWait(fetched.verdict.siteWaitMs)
                                                     : pacer.PumpingWait(policy.pauseMs);
    if (!goOn) {
      fetched.ended = true;
      return fetched;
    }
  }
  return fetched;
}

FetchedPage FetchPage(RunGate& gate, Pacer& pacer, const std::function<HttpResult()>& attempt) {
  FetchedPage page;
  JsonValue parsed;
  const Fetched fetched = FetchWithAttempts(gate, pacer, kPageAttemptPolicy, attempt,
                                            [&parsed](const HttpResult& reply) {
                                              parsed = JsonValue::Parse(reply.body);
                                              return JudgePage(reply, parsed);
                                            });
  page.ended = fetched.ended;
  page.body = fetched.reply.body;
  page.failed = !fetched.verdict.ok();
  page.reason = fetched.verdict.reason;
  // An error page whose body happens to be JSON is no page of the album.
  if (!page.failed) page.json = parsed;
  return page;
}

}  // namespace albumdl
