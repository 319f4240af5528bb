// The one interface from the engine to the views. The engine speaks in typed
// events (a log line, how the retrieval stands, a change of the album list,
// the run's state, where it stands, what it did); each view formats them in
// its own terms: the Qt window (src/app) queues them for its thread, the
// command line writes to the terminal, tests record. What the engine reads
// from the views it reads from ViewValues, or is handed when it starts (the
// input lines, the albums of a run).
//
// Threads. The window thread runs the user's commands; the album retrieval and
// the download run each have a thread of their own (RetrievalControl,
// WorkerControl). Any of them may tell the views something. Tell never waits
// for the window thread and never calls back into the engine; events told by
// one thread arrive in the order told.
#pragma once

#include <variant>

#include "model/album_list.h"
#include "model/run_report.h"
#include "text/text.h"

namespace albumdl {

// A text for the activity log (编辑框_操作记录), code page 936, carrying its own
// line ending.
struct LogLine {
  Text text;
};

// How the album retrieval stands.
struct RetrievalReport {
  enum class Stage {
    kNoInput,   // the address box was empty: nothing was asked
    kStarted,   // the list was emptied and is being filled
    kFinished,  // the retrieval is over (all lines done, or ended)
  };
  Stage stage = Stage::kStarted;
  int albums = 0;  // kFinished: albums in the list
};

// The download run's state changed (start, pause, continue, end, finish).
struct RunStateReport {
  RunState state = RunState::kIdle;
};

// Where the run stands now.
struct RunProgressReport {
  RunProgress progress;
};

// The run is over, as the last thing it tells: what it did. A run that went
// through to its finish (summary.ended false) is told finished here.
struct RunFinishedReport {
  DownloadSummary summary;
};

using EngineEvent = std::variant<LogLine, RetrievalReport, AlbumListChange, RunStateReport,
                                 RunProgressReport, RunFinishedReport>;

class Views {
 public:
  virtual ~Views() = default;
  // Any thread. Never waits.
  virtual void Tell(const EngineEvent& event) = 0;
};

// Every change of the list goes to the views as it happens.
void ShowAlbumsIn(AlbumList& albums, Views& views);

}  // namespace albumdl
