#include "views/captions.h"

#include <algorithm>
#include <string>

namespace albumdl {

const Text kEndQuestion = "您真的要彻底结束下载么？";
const Text kEndQuestionTitle = "警告！";
const Text kMessageTitle = "信息：";

RunCaptions CaptionsFor(const RunProgress& progress) {
  RunCaptions captions;
  if (progress.albums >= 0)
    captions.selected = "总共需下载[" + std::to_string(progress.albums) + "]个相册";
  if (progress.album > 0) captions.album = "下载到第[" + std::to_string(progress.album) + "]个相册";
  if (progress.finished) {
    captions.picture = "下载完成";
  } else if (progress.picture > 0) {
    captions.picture = "第[" + std::to_string(progress.picture) + "]个图片";
  }
  if (progress.share >= 0) captions.percent = std::to_string(progress.share) + "%";
  // The bar draws its stored position limited to its range.
  captions.bar = std::clamp(progress.share, 0, 100);
  return captions;
}

}  // namespace albumdl
