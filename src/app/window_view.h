// What the window shows of the engine's reports, in Qt terms. The queued
// window hands every report over on the window thread, in the order the engine
// made them; the main window implements this.
#pragma once

#include <QString>

#include "model/album_list.h"
#include "model/run_report.h"
#include "views/captions.h"

namespace albumdl::app {

class WindowView {
 public:
  virtual ~WindowView() = default;
  // Log texts as they came, several appends joined, "\r\n" already turned
  // into "\n".
  virtual void ShowLog(const QString& text) = 0;
  virtual void ShowNotice(const QString& text, const QString& title) = 0;
  virtual void ShowStatus(const QString& text) = 0;
  virtual void ShowBusyBoard(bool shown) = 0;
  virtual void ShowPage(int page) = 0;
  virtual void ShowRetrievalFinished() = 0;
  virtual void ShowRunState(RunState state) = 0;
  virtual void ShowProgress(const RunCaptions& captions) = 0;
  virtual void ShowRunFinished(const DownloadSummary& summary) = 0;
  virtual void ShowListChange(const AlbumListChange& change) = 0;
};

}  // namespace albumdl::app
