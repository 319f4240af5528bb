#include "download/worker_control.h"

#include <condition_variable>
#include <mutex>
#include <system_error>

#include "net/transfer_abort.h"

namespace albumdl {

// The window thread gives the commands, the worker runs DownloadRun. They meet
// only at the gate and at the few fields below; the mutex is never held while
// calling into the window or waiting for the worker, so neither can block the
// other.
struct WorkerControl::State {
  State(Window& window, Session& session, PacerFactory pacerFactory)
      : window(window), session(session), pacerFactory(std::move(pacerFactory)) {}

  void Work();
  void JoinWorker();
  bool EndRun();

  Window& window;
  Session& session;
  PacerFactory pacerFactory;
  RunGate gate;

  mutable std::mutex mutex;
  std::condition_variable finished;
  std::thread thread;
  bool active = false;  // the thread is inside its run
  bool paused = false;  // paused by the user (not the hold of an open end question)
  DownloadSummary summary;
};

void WorkerControl::State::Work() {
  // End must not wait for a picture transfer to run its course.
  TransferAbortGuard abortOnEnd([this] { return gate.Ended(); });
  const std::unique_ptr<Pacer> pacer = pacerFactory(gate);
  DownloadContext context{window, session, *pacer, gate};
  const DownloadSummary result = DownloadRun(context);
  std::lock_guard lock(mutex);
  summary = result;
  active = false;
  paused = false;
  finished.notify_all();
}

void WorkerControl::State::JoinWorker() {
  std::unique_lock lock(mutex);
  // The worker may be waiting for the window thread to carry out one of its
  // calls; the waiting thread keeps handling the window's messages meanwhile.
  while (active) {
    lock.unlock();
    window.ProcessMessages();
    lock.lock();
    finished.wait_for(lock, std::chrono::milliseconds(20), [this] { return !active; });
  }
  std::thread done = std::move(thread);
  lock.unlock();
  if (done.joinable()) done.join();
}

bool WorkerControl::State::EndRun() {
  {
    std::lock_guard lock(mutex);
    if (!active || gate.Ended()) return false;
    paused = false;
  }
  // The worker stops at its next safe point, or at once inside a transfer; it
  // closes the album's store and leaves no half-written picture on its way out.
  gate.End();
  window.SetRunButtons(RunButtons::kIdle);
  window.AppendLog("执行了结束下载\r\n");
  return true;
}

WorkerControl::WorkerControl(Window& window, Session& session, double pace)
    : WorkerControl(window, session, [pace](RunGate& gate) -> std::unique_ptr<Pacer> {
        return std::make_unique<RealPacer>(gate, pace);
      }) {}

WorkerControl::WorkerControl(Window& window, Session& session, PacerFactory pacerFactory)
    : state_(std::make_unique<State>(window, session, std::move(pacerFactory))) {}

WorkerControl::~WorkerControl() {
  state_->gate.End();
  state_->JoinWorker();
}

bool WorkerControl::Start() {
  State& s = *state_;
  {
    std::lock_guard lock(s.mutex);
    if (s.active && !s.gate.Ended()) return false;
  }
  // An ended run may still be on its way out; the new run starts after it.
  s.JoinWorker();
  {
    std::lock_guard lock(s.mutex);
    if (s.active) return false;
    s.gate.Reset();
    s.active = true;
    s.paused = false;
    s.summary = {};
  }
  s.window.SetRunButtons(RunButtons::kRunning);
  {
    std::lock_guard lock(s.mutex);
    try {
      s.thread = std::thread(&State::Work, &s);
      return true;
    } catch (const std::system_error&) {
      s.active = false;
    }
  }
  s.window.SetRunButtons(RunButtons::kIdle);
  return false;
}

bool WorkerControl::Pause() {
  State& s = *state_;
  {
    std::lock_guard lock(s.mutex);
    if (!s.active || s.paused || s.gate.Ended()) return false;
    s.paused = true;
  }
  s.window.SetRunButtons(RunButtons::kPaused);
  s.gate.Pause();
  s.window.AppendLog("执行了暂停下载功能\r\n");
  return true;
}

bool WorkerControl::Continue() {
  State& s = *state_;
  {
    std::lock_guard lock(s.mutex);
    if (!s.active || !s.paused || s.gate.Ended()) return false;
    s.paused = false;
  }
  s.window.SetRunButtons(RunButtons::kRunning);
  s.gate.Continue();
  s.window.AppendLog("执行了继续下载功能\r\n");
  return true;
}

bool WorkerControl::End() {
  State& s = *state_;
  bool heldHere = false;
  {
    std::lock_guard lock(s.mutex);
    if (!s.active || s.gate.Ended()) return false;
    heldHere = !s.paused;
  }
  // Nothing goes on while the user decides.
  if (heldHere) s.gate.Pause();
  const int answer =
      s.window.ShowMessage("您真的要彻底结束下载么？", "警告！", MessageButtons::kOkCancel);
  if (answer == kButtonOk) return s.EndRun();
  // Cancel takes back only the hold this question added: a run paused before
  // stays paused.
  if (heldHere) {
    std::lock_guard lock(s.mutex);
    if (!s.paused) s.gate.Continue();
  }
  return false;
}

bool WorkerControl::EndNow() { return state_->EndRun(); }

bool WorkerControl::Running() const {
  std::lock_guard lock(state_->mutex);
  return state_->active && !state_->gate.Ended();
}

bool WorkerControl::Paused() const {
  std::lock_guard lock(state_->mutex);
  return state_->active && state_->paused && !state_->gate.Ended();
}

DownloadSummary WorkerControl::Wait() {
  state_->JoinWorker();
  std::lock_guard lock(state_->mutex);
  return state_->summary;
}

}  // namespace albumdl
