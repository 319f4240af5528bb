#include "views/captions.h"

#include <string>

namespace albumdl {

const Text kEndQuestion = "您真的要彻底结束下载么？";
const Text kEndQuestionTitle = "警告！";
const Text kMessageTitle = "信息：";
const Text kNoInputMessage = "请输入网址";

RunCaptions CaptionsFor(const RunProgress& progress) {
  RunCaptions captions;
  if (progress.albums >= 0)
    captions.selected = "总共需下载[" + std::to_string(progress.albums) + "]个相册";
  if (progress.album > 0) captions.album = "下载到第[" + std::to_string(progress.album) + "]个相册";
  if (progress.picture > 0) captions.picture = "第[" + std::to_string(progress.picture) + "]个图片";
  if (progress.reached > 0) {
    // Without a usable count every picture lies beyond it: shown as full.
    captions.share =
        progress.pictureCount > 0 ? progress.reached * 100 / progress.pictureCount : 100;
    captions.percent = std::to_string(captions.share) + "%";
  }
  return captions;
}

std::vector<Text> RetrievalCaptions(const RetrievalReport& report) {
  switch (report.stage) {
    case RetrievalReport::Stage::kNoInput:
      return {};
    case RetrievalReport::Stage::kStarted:
      return {"温馨提示：正在获取相册列表...", "群相册获取中，耐心等待..."};
    case RetrievalReport::Stage::kFinished: {
      const std::string rows = std::to_string(report.albums);
      return {"相册获取完毕，共计：" + rows + "个,相册内没有图片的，这里不显示！",
              "温馨提示：相册列表获取完毕,共计" + rows + "个"};
    }
  }
  return {};
}

namespace {

// "3个图片、1页、2个相册": what failed, the kinds with nothing left out.
Text WhatFailed(const DownloadSummary& summary) {
  Text parts;
  const auto add = [&parts](int count, const Text& unit) {
    if (count <= 0) return;
    if (!parts.empty()) parts += "、";
    parts += std::to_string(count) + unit;
  };
  add(summary.failedPictures, "个图片");
  add(summary.failedPages, "页");
  add(summary.failedAlbums + summary.unansweredAlbums, "个相册");
  return parts;
}

}  // namespace

FinishCaptions FinishCaptionsFor(const DownloadSummary& summary) {
  if (!summary.AnythingFailed())
    return {"-------全部下载完毕--------\r\n\r\n", "下载完成", "全部下载完毕", kMessageTitle};
  const Text failed = WhatFailed(summary);
  return {"-------下载结束，" + failed + "没有下载成功--------\r\n\r\n", "下载结束，有失败",
          "下载结束，但有" + failed + "没有下载成功，详见操作日志", kMessageTitle};
}

Text CountCaption(const Album& album) {
  if (album.failed) return "获取失败";
  return album.pictureCount ? std::to_string(*album.pictureCount) : Text();
}

}  // namespace albumdl
