#include "site/answer_verdict.h"

#include <string>

namespace albumdl {

namespace {

AnswerVerdict Verdict(AnswerVerdict::Kind kind, const Text& reason, int siteWaitMs = 0) {
  return {kind, reason, siteWaitMs};
}

Text StatusReason(const Text& what, int status) {
  return what + "（HTTP " + std::to_string(status) + "）";
}

bool StartsWith(const Bytes& body, const char* magic, size_t length, size_t at = 0) {
  return body.size() >= at + length && body.compare(at, length, magic, length) == 0;
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

bool LooksLikePicture(const Bytes& body, const Text& contentType) {
  if (StartsWith(body, "\xFF\xD8\xFF", 3)) return true;       // JPEG
  if (StartsWith(body, "\x89PNG\r\n\x1A\n", 8)) return true;  // PNG
  if (StartsWith(body, "GIF87a", 6) || StartsWith(body, "GIF89a", 6)) return true;
  if (StartsWith(body, "RIFF", 4) && StartsWith(body, "WEBP", 4, 8)) return true;
  if (StartsWith(body, "BM", 2) && body.size() > 26) return true;                 // BMP
  if (StartsWith(body, "II*\0", 4) || StartsWith(body, "MM\0*", 4)) return true;  // TIFF
  if (StartsWith(body, "ftyp", 4, 4)) {                                           // AVIF, HEIF
    for (const char* brand : {"avif", "avis", "heic", "heix", "mif1", "msf1"}) {
      if (StartsWith(body, brand, 4, 8)) return true;
    }
  }
  // An SVG picture is text: only one announced as SVG and holding an <svg> element.
  if (TextFind(TextLower(contentType), "image/svg+xml") == 1) {
    return TextFind(TextLower(body.substr(0, 4096)), "<svg") > 0;
  }
  return false;
}

AnswerVerdict JudgePicture(const HttpResult& reply) {
  AnswerVerdict verdict = JudgeExchange(reply);
  if (!verdict.ok()) return verdict;
  const std::optional<long long> length = reply.headers.ContentLength();
  if (reply.body.empty()) return Verdict(AnswerVerdict::Kind::kRetry, "网站返回了空内容");
  if (length && *length != static_cast<long long>(reply.body.size())) {
    return Verdict(AnswerVerdict::Kind::kRetry, FailureText(HttpFailure::kTruncated));
  }
  // A login wall, an error page or a JSON message served with status 200 in
  // place of the picture must never be saved as one: its id would be recorded
  // and no later run would fetch the real picture.
  if (!LooksLikePicture(reply.body, reply.headers.ContentType())) {
    return Verdict(AnswerVerdict::Kind::kRetry, "网站返回的不是图片");
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
