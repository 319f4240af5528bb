// What the window shows of the engine's events, on the window thread. The
// queued window hands every event over in the order the engine told them; the
// main window implements this and formats them: captions through
// views/captions.h, the busy board, the tab page, column widths and the bar's
// scale on its own.
#pragma once

#include <QString>

#include "model/album_list.h"
#include "model/run_report.h"
#include "views/views.h"

namespace albumdl::app {

class WindowView {
 public:
  virtual ~WindowView() = default;
  // Log texts as they came, several appends joined, "\r\n" already turned
  // into "\n".
  virtual void ShowLog(const QString& text) = 0;
  virtual void ShowRetrieval(const RetrievalReport& report) = 0;
  virtual void ShowListChange(const AlbumListChange& change) = 0;
  virtual void ShowRunState(RunState state) = 0;
  virtual void ShowProgress(const RunProgress& progress) = 0;
  virtual void ShowRunFinished(const DownloadSummary& summary) = 0;
};

}  // namespace albumdl::app
