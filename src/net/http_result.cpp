#include "net/http_result.h"

namespace albumdl {

Text FailureText(HttpFailure failure) {
  switch (failure) {
    case HttpFailure::kNone:
      return "";
    case HttpFailure::kBadAddress:
      return "地址无效";
    case HttpFailure::kConnectFailed:
      return "无法连接";
    case HttpFailure::kTimedOut:
      return "连接超时";
    case HttpFailure::kConnectionBroken:
      return "连接中断";
    case HttpFailure::kTruncated:
      return "数据不完整";
    case HttpFailure::kAborted:
      return "已中止";
    case HttpFailure::kTooLarge:
      return "内容过大";
    case HttpFailure::kTls:
      return "安全连接失败";
    case HttpFailure::kOther:
      break;
  }
  return "请求失败";
}

}  // namespace albumdl
