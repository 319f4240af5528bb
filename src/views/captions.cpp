#include "views/captions.h"

#include <algorithm>
#include <string>

#include "platform/code_page.h"

namespace albumdl {

const Text kEndQuestion = "您真的要彻底结束下载么？";
const Text kEndQuestionTitle = "警告！";
const Text kMessageTitle = "信息：";
const Text kNoInputMessage = "请输入网址";
const Text kRunEndedMessage = "下载已结束，没有全部完成";

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

int RunShare(const RunProgress& progress) {
  if (progress.albums <= 0) return -1;
  if (progress.album <= 0) return 0;
  // An album whose count is unknown counts as done once a picture was taken.
  double album = 0;
  if (progress.pictureCount > 0) {
    album = static_cast<double>(std::min(progress.reached, progress.pictureCount)) /
            static_cast<double>(progress.pictureCount);
  } else if (progress.reached > 0) {
    album = 1;
  }
  const double whole = (std::min(progress.album, progress.albums) - 1 + album) /
                       static_cast<double>(progress.albums);
  return std::clamp(static_cast<int>(whole * 100), 0, 100);
}

Text RunGlanceCaption(const RunProgress& progress, bool paused) {
  const int share = RunShare(progress);
  if (share < 0) return {};
  Text caption = (paused ? "已暂停 · " : "") + std::to_string(share) + "%";
  if (progress.album > 0) {
    caption +=
        " · 第" + std::to_string(progress.album) + "/" + std::to_string(progress.albums) + "个相册";
    const long long picture = progress.picture > 0 ? progress.picture : progress.reached;
    if (picture > 0) {
      caption += " · 第" + std::to_string(picture) + "/" +
                 (progress.pictureCount > 0 ? std::to_string(progress.pictureCount) : Text("?")) +
                 "个图片";
    }
  }
  return caption;
}

std::optional<Text> LeftOutCaption(const LeftOutLine& line, const Text& typed) {
  Text why;
  switch (line.why) {
    case LeftOutLine::Why::kUnusable:
      return std::nullopt;
    case LeftOutLine::Why::kTooLong:
      why = "太长，不是网址";
      break;
    case LeftOutLine::Why::kControlCharacter:
      why = "含有控制字符";
      break;
    case LeftOutLine::Why::kOutsideCodePage:
      why = "含有无法识别的字符";
      break;
    case LeftOutLine::Why::kNoAlbum:
      why = "既不是画板网址，也不是搜索网址";
      break;
  }
  // The line on one line of the log, and not too long to read: control
  // characters become blanks, and a long line is cut between characters.
  constexpr size_t kShown = 200;
  Text shown;
  for (size_t i = 0; i < typed.size() && shown.size() < kShown; ++i) {
    const auto byte = static_cast<unsigned char>(typed[i]);
    if (platform::IsLeadByte(byte) && i + 1 < typed.size()) {
      shown += typed.substr(i, 2);
      ++i;
    } else {
      shown += byte < 0x20 || byte == 0x7F ? ' ' : typed[i];
    }
  }
  if (shown.size() < typed.size()) shown += "...";
  return "第" + std::to_string(line.index + 1) + "行" + why + "，已跳过：" + shown + "\r\n";
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
