#include "download/picture_lanes.h"

#include <system_error>
#include <utility>

#include "control/transfer_abort.h"
#include "download/album_work.h"

namespace albumdl {

// The lanes and the run's thread meet under mutex_: a pin is taken, recorded
// and told under it, in picture order where the user can see it; the
// requests, the files and the pauses happen outside it. No lane holds mutex_
// while it waits at the gate, so pause and end never wait for a lane.

PictureLanes::PictureLanes(DownloadContext& context, int lanes) : context_(context) {
  if (lanes < 2) return;
  threads_.reserve(static_cast<size_t>(lanes));
  for (int i = 0; i < lanes; ++i) {
    try {
      threads_.emplace_back([this] { Lane(); });
    } catch (const std::system_error&) {
      break;  // the lanes that could be made do the work
    }
  }
}

PictureLanes::~PictureLanes() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  // A fault on the run's own thread leaves the run: no lane may be left
  // waiting at a paused gate for a run that is gone.
  if (std::uncaught_exceptions() > 0) context_.gate.End();
  work_.notify_all();
  for (std::thread& lane : threads_) lane.join();
}

bool PictureLanes::Begin(AlbumWork& work, std::vector<PagePin> pins) {
  if (threads_.empty()) {
    inlineGoOn_ = true;
    for (const PagePin& pin : pins) {
      if (work.folderDead) break;
      if (!PictureStep(work, pin)) return inlineGoOn_ = false;
    }
    return true;
  }
  std::lock_guard lock(mutex_);
  album_ = &work;
  slots_.assign(pins.size(), Slot{});
  pins_ = std::move(pins);
  next_ = 0;
  told_ = 0;
  ended_ = false;
  work_.notify_all();
  return true;
}

bool PictureLanes::End() {
  if (threads_.empty()) return inlineGoOn_;
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return PageOverLocked(); });
  if (fault_) {
    album_ = nullptr;
    std::exception_ptr fault = std::exchange(fault_, nullptr);
    lock.unlock();
    std::rethrow_exception(fault);
  }
  // An ended page may have pictures done after one that was cut short: they
  // are told too, still in their order.
  for (; told_ < slots_.size(); ++told_) {
    if (slots_[told_].done) TellPicture(*album_, slots_[told_].outcome);
  }
  album_ = nullptr;
  return !ended_;
}

void PictureLanes::Abandon(const AlbumWork& work) {
  std::unique_lock lock(mutex_);
  if (album_ != &work) return;
  ended_ = true;
  lock.unlock();
  context_.gate.End();  // the lanes' transfers stop at once
  lock.lock();
  done_.wait(lock, [this] { return busy_ == 0; });
  album_ = nullptr;
}

void PictureLanes::Lane() {
  try {
    // Every transfer of the lane stops when the run is ended.
    TransferAbortGuard abortOnEnd([this] { return context_.gate.Ended(); });
    std::unique_lock lock(mutex_);
    for (;;) {
      work_.wait(lock, [this] { return closing_ || PinsLeftLocked(); });
      if (closing_) return;
      Work(lock);
    }
  } catch (...) {
    std::unique_lock lock(mutex_, std::defer_lock);
    Fail(lock, std::current_exception());
  }
}

void PictureLanes::Work(std::unique_lock<std::mutex>& lock) {
  // The gate first: a paused run takes no pin and shows nothing new.
  lock.unlock();
  const bool passed = context_.Checkpoint();
  lock.lock();
  if (!passed) {
    ended_ = true;
    done_.notify_all();
    return;
  }
  if (!PinsLeftLocked()) return;
  const size_t index = next_++;
  ++busy_;
  try {
    AlbumWork& album = *album_;
    Slot& slot = slots_[index];
    const std::optional<PictureTask> task = TakePin(album, pins_[index], slot.outcome);
    PaceClock::time_point fetchedAt;
    bool fetched = false;  // a request went out: the lane's pause follows
    if (task) {
      lock.unlock();
      PictureOutcome outcome = FetchAndSave(album, *task, fetchedAt);
      lock.lock();
      fetched = !outcome.linked;
      if (outcome.kind == PictureOutcome::Kind::kEnded) ended_ = true;
      // No lane takes another pin of an album whose folder fails every picture.
      if (outcome.folderDead) album.folderDead = true;
      RecordPicture(album, outcome);
      slots_[index].outcome = std::move(outcome);
    }
    slots_[index].done = true;
    TellInOrderLocked();
    if (fetched && !ended_) {
      // This lane's own pause after its picture, counted from its fetch.
      lock.unlock();
      const bool goOn = context_.pacer.PumpingWaitSince(fetchedAt, kPicturePauseMs);
      lock.lock();
      if (!goOn) ended_ = true;
    }
  } catch (...) {
    Fail(lock, std::current_exception());
  }
  --busy_;
  done_.notify_all();
}

// A dead folder is told (TellPicture) under the lock: no lane takes a pin
// after the picture that found it dead was told.
bool PictureLanes::PinsLeftLocked() const {
  return album_ != nullptr && next_ < slots_.size() && !ended_ && !fault_ && !album_->folderDead;
}

bool PictureLanes::PageOverLocked() const { return busy_ == 0 && !PinsLeftLocked(); }

void PictureLanes::TellInOrderLocked() {
  while (told_ < slots_.size() && slots_[told_].done) {
    TellPicture(*album_, slots_[told_].outcome);
    ++told_;
  }
}

void PictureLanes::Fail(std::unique_lock<std::mutex>& lock, std::exception_ptr fault) {
  if (!lock.owns_lock()) lock.lock();
  if (!fault_) fault_ = std::move(fault);
  ended_ = true;
  lock.unlock();
  // The run ends: the other lanes stop in their transfers or at the gate, and
  // the run's thread raises the fault when it waits for the page.
  context_.gate.End();
  lock.lock();
  done_.notify_all();
}

}  // namespace albumdl
