// Starts a download run on its own thread and gives the user pause, continue
// and end over it. It owns the run's one state (RunState) and tells the views
// of every change. The commands act at the run's safe points (before every
// request, caption and pause; end also aborts a transfer under way); no thread
// is suspended or killed, and the window thread never waits for the run.
#pragma once

#include <mutex>

#include "control/gated_thread.h"
#include "control/pacer.h"
#include "model/album_list.h"
#include "model/run_report.h"
#include "session/session.h"
#include "views/view_values.h"
#include "views/views.h"

namespace albumdl {

class WorkerControl {
 public:
  // The pictures of a page fetched at once (see picture_lanes.h) are the
  // values' PictureLanes as a run starts.
  WorkerControl(Views& views, const ViewValues& values, AlbumList& albums, Session& session,
                PacerFactory pacers);
  ~WorkerControl();  // ends a run still going, quietly, and waits for its thread
  WorkerControl(const WorkerControl&) = delete;
  WorkerControl& operator=(const WorkerControl&) = delete;

  // Window thread, every one of them. Each returns false and does nothing when
  // it does not apply (start while a run exists, pause when not running, ...).

  // Takes the album list as it is now and runs its ticked albums.
  bool Start();
  bool Pause();     // logs "执行了暂停下载功能"
  bool Continue();  // logs "执行了继续下载功能"
  // The end command comes in two halves around the question the window asks
  // ("您真的要彻底结束下载么？"): HoldForEnd holds the run while the user
  // decides; AnswerEnd(true) ends it and logs "执行了结束下载", AnswerEnd(false)
  // lets it go on as it was (a run paused before stays paused). A run that
  // finished while the question was open stays finished.
  bool HoldForEnd();
  bool AnswerEnd(bool ok);
  // Ends without asking (Ctrl-C, closing the window); logs like AnswerEnd(true).
  bool EndNow();

  RunState State() const;  // any thread
  // Command line and tests: waits until the run's thread is over and returns
  // what the run did.
  DownloadSummary Wait();

 private:
  void SetStateLocked(RunState state);
  bool EndLocked();

  Views& views_;
  const ViewValues& values_;
  AlbumList& albums_;
  Session& session_;
  PacerFactory pacers_;

  mutable std::mutex mutex_;
  RunState state_ = RunState::kIdle;
  bool heldForQuestion_ = false;  // the end question is open
  DownloadSummary summary_;       // of the last run
  GatedThread thread_;            // last: its thread goes first
};

}  // namespace albumdl
