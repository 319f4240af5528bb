// What the engine reads from the views while it works: the duplicate switch
// (before every picture), the debug switch and the save folder (at the start
// of every album), the pictures fetched at once, the sync switch and the
// switch that keeps one copy of a picture (at the start of every run). Cookies are not view values:
// the viewer feeds the session's jar (session/session.h). The window thread keeps them current as
// the user changes the controls (the command line sets them once); the
// engine's threads read them. Every access is one copy under the lock, never
// a call into the window thread, so a reader never waits for the window and
// the window never waits for a reader.
#pragma once

#include <mutex>

#include "model/run_report.h"
#include "text/text.h"

namespace albumdl {

class ViewValues {
 public:
  bool DuplicateSwitch() const;  // 选择框_下载记录
  void SetDuplicateSwitch(bool on);
  bool DebugSwitch() const;  // 选择框_调试
  void SetDebugSwitch(bool on);
  Text SaveFolder() const;  // 编辑框_保存位置
  void SetSaveFolder(const Text& folder);
  // Pictures of an album fetched at once, 1 to kMostPictureLanes (同时下载图片数).
  int PictureLanes() const;
  void SetPictureLanes(int lanes);  // kept within 1 to kMostPictureLanes
  bool SyncSwitch() const;  // only what is new since an earlier complete pass (只取新图)
  void SetSyncSwitch(bool on);
  bool LinkDuplicatesSwitch() const;  // one copy of a picture for all albums (相同图片只存一份)
  void SetLinkDuplicatesSwitch(bool on);

 private:
  mutable std::mutex mutex_;
  bool duplicateSwitch_ = false;
  bool debugSwitch_ = false;
  Text saveFolder_;
  int pictureLanes_ = 1;
  bool syncSwitch_ = false;
  bool linkDuplicatesSwitch_ = false;
};

}  // namespace albumdl
