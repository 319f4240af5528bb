#include "download/worker_control.h"

#include <utility>

#include "download/download_run.h"

namespace albumdl {

// The window thread gives the commands, the run works on its own thread. They
// meet at the gate and under mutex_; the views are only told things (Tell
// never waits), so holding mutex_ while telling them keeps the state changes
// in order without any thread waiting for another.

WorkerControl::WorkerControl(Views& views, const ViewValues& values, AlbumList& albums,
                             Session& session, PacerFactory pacers)
    : views_(views),
      values_(values),
      albums_(albums),
      session_(session),
      pacers_(std::move(pacers)) {}

WorkerControl::~WorkerControl() {
  thread_.Gate().End();
  thread_.Wait();
}

void WorkerControl::SetStateLocked(RunState state) {
  state_ = state;
  views_.Tell(RunStateReport{state});
}

bool WorkerControl::Start() {
  {
    std::lock_guard lock(mutex_);
    if (state_ != RunState::kIdle) return false;
  }
  // A run that has told the views it is over may still be leaving its
  // thread; that takes no time.
  thread_.Wait();
  std::lock_guard lock(mutex_);
  const std::vector<Album> albums = albums_.Rows();
  summary_ = {};
  heldForQuestion_ = false;
  const auto finish = [this](const DownloadSummary& summary) {
    std::lock_guard done(mutex_);
    summary_ = summary;
    heldForQuestion_ = false;
    SetStateLocked(RunState::kIdle);
    views_.Tell(RunFinishedReport{summary});
  };
  const bool started = thread_.Start(
      [this, albums, finish](RunGate& gate) {
        const std::unique_ptr<Pacer> pacer = pacers_(gate);
        DownloadContext context{views_, values_, session_, *pacer,
                                gate,   {},      {},       values_.PictureLanes()};
        finish(DownloadRun(context, albums));
      },
      [this, finish](const char* what) {
        // The run stops where the fault hit it, on its own thread or on a
        // lane; a picture is only ever in place complete and recorded after,
        // so nothing is half-done on disk.
        views_.Tell(LogLine{"下载出错，本次下载已结束：" + Text(what) + "\r\n"});
        DownloadSummary summary;
        summary.ended = true;
        finish(summary);
      });
  if (started) SetStateLocked(RunState::kRunning);
  return started;
}

bool WorkerControl::Pause() {
  {
    std::lock_guard lock(mutex_);
    if (state_ != RunState::kRunning || heldForQuestion_) return false;
    SetStateLocked(RunState::kPaused);
    thread_.Gate().Pause();
  }
  views_.Tell(LogLine{"执行了暂停下载功能\r\n"});
  return true;
}

bool WorkerControl::Continue() {
  {
    std::lock_guard lock(mutex_);
    if (state_ != RunState::kPaused || heldForQuestion_) return false;
    SetStateLocked(RunState::kRunning);
    thread_.Gate().Continue();
  }
  views_.Tell(LogLine{"执行了继续下载功能\r\n"});
  return true;
}

bool WorkerControl::HoldForEnd() {
  std::lock_guard lock(mutex_);
  if ((state_ != RunState::kRunning && state_ != RunState::kPaused) || heldForQuestion_)
    return false;
  // Nothing goes on while the user decides.
  heldForQuestion_ = true;
  thread_.Gate().Pause();
  return true;
}

bool WorkerControl::AnswerEnd(bool ok) {
  {
    std::lock_guard lock(mutex_);
    if (!heldForQuestion_) return false;
    heldForQuestion_ = false;
    if (!ok) {
      // Only the hold of the question is taken back.
      if (state_ == RunState::kRunning) thread_.Gate().Continue();
      return false;
    }
    if (!EndLocked()) return false;
  }
  views_.Tell(LogLine{"执行了结束下载\r\n"});
  return true;
}

bool WorkerControl::EndNow() {
  {
    std::lock_guard lock(mutex_);
    heldForQuestion_ = false;
    if (!EndLocked()) return false;
  }
  views_.Tell(LogLine{"执行了结束下载\r\n"});
  return true;
}

// The run stops at its next safe point, or at once inside a transfer; it
// closes the album's store and leaves no half-written picture on its way out.
// A run that already passed its finish is not ended.
bool WorkerControl::EndLocked() {
  if (state_ != RunState::kRunning && state_ != RunState::kPaused) return false;
  if (!thread_.Gate().End()) return false;
  SetStateLocked(RunState::kEnding);
  return true;
}

RunState WorkerControl::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

DownloadSummary WorkerControl::Wait() {
  thread_.Wait();
  std::lock_guard lock(mutex_);
  return summary_;
}

}  // namespace albumdl
