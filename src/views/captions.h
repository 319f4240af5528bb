// The one place where what the engine tells becomes the captions the user
// reads; the window and the command line both format through here. How a
// caption is drawn (a bar's scale, a column's width) is each view's own.
#pragma once

#include <optional>
#include <vector>

#include "model/album.h"
#include "model/run_report.h"
#include "site/input_check.h"
#include "text/text.h"
#include "views/views.h"

namespace albumdl {

struct RunCaptions {
  Text selected;  // 标签_选择了相册数量: 总共需下载[n]个相册
  Text album;     // 标签_正在下载相册: 下载到第[j]个相册
  Text picture;   // 标签_第多少张照片: 第[n]个图片
  Text percent;   // 标签_进度条比例: 42%; empty at an album's start
  // The album's share done, in percent: above 100 when the site has more
  // pictures than its count said, 100 when it gave no count; -1 while none.
  long long share = -1;
};

RunCaptions CaptionsFor(const RunProgress& progress);

// The whole run's share done, in percent from 0 to 100: the albums before the
// one in hand and that album's own share. -1 until the albums are collected.
int RunShare(const RunProgress& progress);
// Where the whole run stands, for a glance from afar (the window's title):
// "37% · 第2/4个相册 · 第99/250个图片", "已暂停 · " in front while paused;
// empty until the albums are collected.
Text RunGlanceCaption(const RunProgress& progress, bool paused);

// The activity log's line for an input line that is left out (typed: the line
// as the box holds it): "第3行既不是画板网址，也不是搜索网址，已跳过：...".
// Nothing for a kind's line it cannot use: the retrieval names that one itself.
std::optional<Text> LeftOutCaption(const LeftOutLine& line, const Text& typed);

// The status line 标签_动态 through a retrieval, in the order it reads them;
// the last one stays.
std::vector<Text> RetrievalCaptions(const RetrievalReport& report);

// How a finished run ends: its last log line, the caption of
// 标签_第多少张照片, and the message box. When everything asked for was
// saved or skipped they are the plain "全部下载完毕" ones; otherwise each
// says what failed, with counts.
struct FinishCaptions {
  Text logLine;
  Text picture;
  Text message;
  Text messageTitle;
};
FinishCaptions FinishCaptionsFor(const DownloadSummary& summary);

// The album list's 图片数量: the count as the site gave it, empty when it gave
// none, "获取失败" for an album whose answer never came right.
Text CountCaption(const Album& album);

// Code page 936 texts, defined in the .cpp with the rest of the core, so that a
// front end whose own literals are UTF-8 may include this header.
// The question before a run is ended for good, and its title.
extern const Text kEndQuestion;       // 您真的要彻底结束下载么？
extern const Text kEndQuestionTitle;  // 警告！
// The default title of the program's message boxes.
extern const Text kMessageTitle;  // 信息：
// What the desktop is told of a run that was ended before its finish.
extern const Text kRunEndedMessage;  // 下载已结束，没有全部完成
// The message when the address box is empty.
extern const Text kNoInputMessage;  // 请输入网址

}  // namespace albumdl
