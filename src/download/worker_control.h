// Starts a download run on its own thread and gives the user pause, continue and
// end over it. The commands act at the run's safe points (every pause, between
// pictures, and inside a transfer for end); no thread is suspended or killed.
#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "download/download_run.h"

namespace albumdl {

class WorkerControl {
 public:
  // Makes the pacer of each run, over the control's gate.
  using PacerFactory = std::function<std::unique_ptr<Pacer>(RunGate& gate)>;

  // pace multiplies every pause of the run (1: as designed, 0: none).
  WorkerControl(Window& window, Session& session, double pace = 1.0);
  // Runs pace with the pacers the factory makes (tests record the pauses).
  WorkerControl(Window& window, Session& session, PacerFactory pacerFactory);
  ~WorkerControl();  // ends a run still going and waits for its thread
  WorkerControl(const WorkerControl&) = delete;
  WorkerControl& operator=(const WorkerControl&) = delete;

  // Each returns false and does nothing when it does not apply (start while a
  // run exists, pause when not running, ...).
  bool Start();
  bool Pause();     // logs "执行了暂停下载功能"
  bool Continue();  // logs "执行了继续下载功能"
  // Holds the run, asks "您真的要彻底结束下载么？"; OK ends it (true), Cancel
  // lets it go on as it was before (false). The question is asked on the
  // caller's thread.
  bool End();
  // Ends without asking (Ctrl-C on the command line); logs like End's OK.
  bool EndNow();

  bool Running() const;  // a run exists (running or paused) and was not ended
  bool Paused() const;   // paused by Pause, until Continue
  // Waits for the run's thread to finish and returns what the run did.
  DownloadSummary Wait();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace albumdl
