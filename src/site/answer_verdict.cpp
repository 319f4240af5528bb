#include "site/answer_verdict.h"

#include <string>

#include "site/picture_form.h"

namespace albumdl {

namespace {

AnswerVerdict Verdict(AnswerVerdict::Kind kind, const Text& reason, int siteWaitMs = 0) {
  return {kind, reason, siteWaitMs};
}

Text StatusReason(const Text& what, int status) {
  return what + "（HTTP " + std::to_string(status) + "）";
}

// The body's end was announced: by Content-Length or by chunked framing, both
// of which the transfer holds the server to. Otherwise only the closing of the
// connection ended it, and a connection cut short ends it just the same.
bool LengthAnnounced(const ResponseHeaders& headers) {
  if (headers.ContentLength()) return true;
  for (const Text& coding : headers.FindAll("Transfer-Encoding")) {
    if (TextFind(TextLower(coding), "chunked") > 0) return true;
  }
  return false;
}

// The body came coded (gzip, deflate, ...) and was decoded on its way in.
bool ContentCoded(const ResponseHeaders& headers) {
  const std::optional<Text> coding = headers.Find("Content-Encoding");
  return coding && !coding->empty() && TextLower(*coding) != "identity";
}

}  // namespace

AnswerVerdict JudgeExchange(const HttpResult& reply) {
  using Kind = AnswerVerdict::Kind;
  switch (reply.failure) {
    case HttpFailure::kNone:
      break;
    case HttpFailure::kAborted:
      return Verdict(Kind::kEnded, FailureText(reply.failure));
    // What the network does now and then: asking again may well work.
    case HttpFailure::kConnectFailed:
    case HttpFailure::kTimedOut:
    case HttpFailure::kConnectionBroken:
    case HttpFailure::kTruncated:
      return Verdict(Kind::kRetry, FailureText(reply.failure));
    // Asking again brings the same.
    case HttpFailure::kBadAddress:
    case HttpFailure::kTooLarge:
    case HttpFailure::kTls:
    case HttpFailure::kOther:
      return Verdict(Kind::kGiveUp, FailureText(reply.failure));
  }
  const int status = reply.statusCode;
  if (status >= 200 && status <= 299) return Verdict(Kind::kOk, "");
  if (status == 429) {
    // The site's own wait counts in real time; without a number, the usual pause.
    const std::optional<long long> seconds = reply.headers.RetryAfterSeconds();
    int wait = 0;
    if (seconds) {
      wait = *seconds >= kMostRetryAfterMs / 1000 ? kMostRetryAfterMs
                                                  : static_cast<int>(*seconds * 1000);
    }
    return Verdict(Kind::kRetry, StatusReason("网站要求放慢速度", status), wait);
  }
  if (status >= 500 || status == 408)
    return Verdict(Kind::kRetry, StatusReason("服务器出错", status));
  if (status == 401 || status == 403) {
    return Verdict(Kind::kGiveUp,
                   StatusReason("网站要求登录", status) + "，请先在“登录”页登录后再下载");
  }
  if (status == 404 || status == 410)
    return Verdict(Kind::kGiveUp, StatusReason("网站上没有了", status));
  return Verdict(Kind::kGiveUp, StatusReason("网站拒绝了请求", status));
}

AnswerVerdict JudgePicture(const HttpResult& reply) {
  AnswerVerdict verdict = JudgeExchange(reply);
  if (!verdict.ok()) return verdict;
  const std::optional<long long> length = reply.headers.ContentLength();
  if (reply.body.empty()) return Verdict(AnswerVerdict::Kind::kRetry, "网站返回了空内容");
  // A compressed answer's length is that of its coded bytes, which the
  // transfer holds the server to; the decoded picture is larger.
  if (length && !ContentCoded(reply.headers) &&
      *length != static_cast<long long>(reply.body.size())) {
    return Verdict(AnswerVerdict::Kind::kRetry, FailureText(HttpFailure::kTruncated));
  }
  // A login wall, an error page or a JSON message served with status 200 in
  // place of the picture must never be saved as one: its id would be recorded
  // and no later run would fetch the real picture.
  const PictureForm form = PictureFormOf(reply.body, reply.headers.ContentType());
  if (form == PictureForm::kNone) return Verdict(AnswerVerdict::Kind::kRetry, "网站返回的不是图片");
  // Half a picture is still a picture to every test above; recorded, it would
  // never be fetched again.
  if (!LengthAnnounced(reply.headers) && !EndsWhole(reply.body, form)) {
    return Verdict(AnswerVerdict::Kind::kRetry, "图片不完整（连接在图片结束前关闭）");
  }
  return verdict;
}

AnswerVerdict JudgePage(const HttpResult& reply, const JsonValue& parsed) {
  AnswerVerdict verdict = JudgeExchange(reply);
  if (!verdict.ok()) return verdict;
  if (reply.body.empty()) return Verdict(AnswerVerdict::Kind::kRetry, "网站返回了空内容");
  if (parsed.Empty()) return Verdict(AnswerVerdict::Kind::kRetry, "网站返回的内容无法读取");
  return verdict;
}

}  // namespace albumdl
