#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/stop_requests.h"

namespace albumdl::platform {

// The exit statuses a POSIX shell gives, so that scripts read them alike.
int ExitStatusOf(StopRequest request) {
  switch (request) {
    case StopRequest::kInterrupt:
      return 130;
    case StopRequest::kTerminate:
      return 143;
    case StopRequest::kHangUp:
      return 129;
  }
  return 130;
}

// The console's events come on a thread the system starts for each: Ctrl-C
// and Ctrl-Break are an interrupt, the console closing is a hang-up, the
// user logging off or the system shutting down a request to terminate. They
// are queued for the watch's own thread. For the closing, logging off and
// shutting down the system ends the process once the handler returns, so the
// handler waits until the watch has run onStop for it (at most the few
// seconds the system allows).
namespace {

struct Queue {
  std::function<void(StopRequest)> onStop;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<StopRequest> queue;
  int handled = 0;
  int requests = 0;
  bool quit = false;
  std::thread watcher;

  void Watch() {
    std::unique_lock lock(mutex);
    while (true) {
      changed.wait(lock, [this] { return quit || !queue.empty(); });
      if (queue.empty()) return;
      const StopRequest request = queue.front();
      queue.pop_front();
      lock.unlock();
      onStop(request);
      lock.lock();
      ++handled;
      changed.notify_all();
    }
  }
};

std::atomic<Queue*> current{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  Queue* impl = current.load();
  if (impl == nullptr) return FALSE;
  StopRequest request = StopRequest::kInterrupt;
  if (event == CTRL_CLOSE_EVENT) request = StopRequest::kHangUp;
  if (event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) request = StopRequest::kTerminate;
  std::unique_lock lock(impl->mutex);
  // A second request gets the default handling: the process ends now.
  if (impl->requests++ > 0) return FALSE;
  impl->queue.push_back(request);
  impl->changed.notify_all();
  if (request != StopRequest::kInterrupt) {
    const int target = impl->handled + 1;
    impl->changed.wait_for(lock, std::chrono::seconds(4),
                           [impl, target] { return impl->handled >= target; });
  }
  return TRUE;
}

}  // namespace

struct StopRequestWatch::Impl {
  Queue queue;
};

StopRequestWatch::StopRequestWatch(std::function<void(StopRequest)> onStop)
    : impl_(std::make_unique<Impl>()) {
  Queue& queue = impl_->queue;
  queue.onStop = std::move(onStop);
  queue.watcher = std::thread([&queue] { queue.Watch(); });
  current.store(&queue);
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopRequestWatch::~StopRequestWatch() {
  ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  current.store(nullptr);
  Queue& queue = impl_->queue;
  {
    std::lock_guard lock(queue.mutex);
    queue.quit = true;
  }
  queue.changed.notify_all();
  if (queue.watcher.joinable()) queue.watcher.join();
}

}  // namespace albumdl::platform
