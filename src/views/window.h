// The window as the engine sees it. The Qt window implements it by queueing
// each call for its own thread, the command line writes to the terminal, tests
// record. Every text is code page 936.
//
// Threads. The window thread runs the user's commands; the album retrieval and
// the download run each have a thread of their own (RetrievalControl,
// WorkerControl). The engine's threads call the methods below, and the window
// thread may call them too; no implementation may wait for the window thread,
// and none may call back into the engine. What the engine reads from the
// window it reads from Values(), kept current by the window thread, or is
// handed when a run starts (the ticked rows, the input lines).
#pragma once

#include "model/album_list.h"
#include "model/run_report.h"
#include "text/text.h"
#include "views/window_values.h"

namespace albumdl {

class Window {
 public:
  virtual ~Window() = default;

  // Any thread. The switches and the save folder.
  virtual WindowValues& Values() = 0;
  // Any thread. The album list (超级列表框1): filled by the retrieval thread,
  // ticked on the window thread, read once by a run as it starts.
  virtual AlbumList& Albums() = 0;

  // Any thread. Appends to the ActivityLog (编辑框_操作记录); every text
  // carries its own line ending. Appends from one thread keep their order.
  virtual void AppendLog(const Text& text) = 0;
  // Any thread. A message box with an OK button; nobody waits for it to close.
  virtual void Notify(const Text& text, const Text& title) = 0;

  // Retrieval thread. The status line 标签_动态.
  virtual void SetStatusCaption(const Text& text) = 0;
  // Retrieval thread. Shows or hides 画板1 over the list.
  virtual void ShowBusyBoard(bool shown) = 0;
  // Retrieval thread. Makes a page of 选择夹1 current (0: the input page).
  virtual void SetCurrentPage(int page) = 0;
  // Retrieval thread, as its last call: the retrieval is over.
  virtual void RetrievalFinished() = 0;

  // Window thread (start, pause, continue, end) and download thread (the run
  // is over). Calls come in the order of the state changes.
  virtual void RunStateChanged(RunState state) = 0;
  // Download thread. Where the run stands now (CaptionsFor gives the texts).
  virtual void RunProgressChanged(const RunProgress& progress) = 0;
  // Download thread, as its last call: what the run did.
  virtual void RunFinished(const DownloadSummary& summary) = 0;
};

}  // namespace albumdl
