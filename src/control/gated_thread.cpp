#include "control/gated_thread.h"

#include <exception>
#include <system_error>
#include <utility>

#include "control/transfer_abort.h"

namespace albumdl {

GatedThread::~GatedThread() {
  gate_.End();
  Wait();
}

bool GatedThread::Start(std::function<void(RunGate&)> work,
                        std::function<void(const char* what)> escaped) {
  std::unique_lock lock(mutex_);
  if (running_) return false;
  if (thread_.joinable()) thread_.join();
  gate_.Reset();
  running_ = true;
  try {
    thread_ = std::thread([this, work = std::move(work), escaped = std::move(escaped)] {
      {
        TransferAbortGuard abortOnEnd([this] { return gate_.Ended(); });
        try {
          work(gate_);
        } catch (const std::exception& error) {
          if (escaped) escaped(error.what());
        } catch (...) {
          if (escaped) escaped("unknown exception");
        }
      }
      std::lock_guard done(mutex_);
      running_ = false;
      done_.notify_all();
    });
  } catch (const std::system_error&) {
    running_ = false;
    return false;
  }
  return true;
}

bool GatedThread::Running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

void GatedThread::Wait() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return !running_; });
  std::thread finished = std::move(thread_);
  lock.unlock();
  if (finished.joinable()) finished.join();
}

}  // namespace albumdl
