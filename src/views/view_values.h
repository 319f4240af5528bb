// What the engine reads from the views while it works: the duplicate switch
// (before every picture), the debug switch, the save folder (at the start of
// every album) and the web viewer's cookies. The window thread keeps them current as the user
// changes the controls (the command line sets them once); the engine's threads read them. Every
// access is one copy under the lock, never a call into the window thread, so a reader never waits
// for the window and the window never waits for a reader.
#pragma once

#include <mutex>

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
  Text ViewerCookies() const;  // the cookies of the page the web viewer shows
  void SetViewerCookies(const Text& cookies);

 private:
  mutable std::mutex mutex_;
  bool duplicateSwitch_ = false;
  bool debugSwitch_ = false;
  Text saveFolder_;
  Text viewerCookies_;
};

}  // namespace albumdl
