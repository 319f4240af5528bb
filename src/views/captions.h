// The one place where the run's progress becomes the captions the user reads;
// the window and the command line both format through here.
#pragma once

#include "model/run_report.h"
#include "text/text.h"

namespace albumdl {

struct RunCaptions {
  Text selected;  // 标签_选择了相册数量: 总共需下载[n]个相册
  Text album;     // 标签_正在下载相册: 下载到第[j]个相册
  Text picture;   // 标签_第多少张照片: 第[n]个图片, or 下载完成 at the finish
  Text percent;   // 标签_进度条比例: 42%
  int bar = 0;    // 进度条1, 0 to 100
};

RunCaptions CaptionsFor(const RunProgress& progress);

// Code page 936 texts, defined in the .cpp with the rest of the core, so that a
// front end whose own literals are UTF-8 may include this header.
// The question before a run is ended for good, and its title.
extern const Text kEndQuestion;       // 您真的要彻底结束下载么？
extern const Text kEndQuestionTitle;  // 警告！
// The default title of the program's message boxes.
extern const Text kMessageTitle;  // 信息：

}  // namespace albumdl
