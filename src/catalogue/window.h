// The window as the engine sees it: one small typed interface through which the
// album retrieval and the downloads read and write what the user sees. The Qt
// window carries each call over to its own thread, the command line writes to
// the terminal, tests record. Every text is code page 936. Implementations must
// be safe to call from the download thread.
#pragma once

#include "catalogue/album_list.h"
#include "text/text.h"

namespace albumdl {

enum class MessageButtons { kOk, kOkCancel };
// The pressed button, numbered as the program's message boxes report it.
inline constexpr int kButtonOk = 0;
inline constexpr int kButtonCancel = 1;

// Which run buttons are visible: idle (下载选中), running (暂停线程, 结束下载),
// paused (继续下载, 结束下载).
enum class RunButtons { kIdle, kRunning, kPaused };

class Window {
 public:
  virtual ~Window() = default;

  // The ActivityLog (编辑框_操作记录): every text carries its own line ending.
  virtual void AppendLog(const Text& text) = 0;
  virtual int ShowMessage(const Text& text, const Text& title = "信息：",
                          MessageButtons buttons = MessageButtons::kOk) = 0;

  // Album retrieval.
  virtual Text InputText() = 0;                        // 编辑框_号码
  virtual void SetStatusCaption(const Text& text) = 0;  // 标签_动态
  virtual void ShowBusyBoard(bool shown) = 0;           // 画板1
  virtual void SetCurrentPage(int page) = 0;            // 选择夹1
  virtual AlbumList& Albums() = 0;                      // 超级列表框1

  // Read while downloading.
  virtual bool DuplicateSwitch() = 0;  // 选择框_下载记录
  virtual bool DebugSwitch() = 0;      // 选择框_调试
  virtual Text SaveFolder() = 0;       // 编辑框_保存位置
  virtual Text ViewerCookies() = 0;    // the web viewer's document cookies

  // Download progress and run buttons.
  virtual void SetSelectedCaption(const Text& text) = 0;  // 标签_选择了相册数量
  virtual void SetAlbumCaption(const Text& text) = 0;     // 标签_正在下载相册
  virtual void SetPictureCaption(const Text& text) = 0;   // 标签_第多少张照片
  virtual void SetPercentCaption(const Text& text) = 0;   // 标签_进度条比例
  virtual void SetProgress(int position, int maximum) = 0;  // 进度条1
  virtual void SetRunButtons(RunButtons state) = 0;

  // Lets the window handle what is pending (the window thread only; a no-op elsewhere).
  virtual void ProcessMessages() {}
};

}  // namespace albumdl
