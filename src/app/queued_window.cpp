#include "app/queued_window.h"

#include <type_traits>
#include <utility>

#include "app/qt_text.h"

namespace albumdl::app {

namespace {

// The log's line ends are turned into the editor's "\n" while the text is
// still code page 936, so that a CR after a double-byte character is seen.
QString LogText(const Text& text) { return ToQString(TextReplace(text, "\r\n", "\n")); }

}  // namespace

QueuedWindow::QueuedWindow() { ShowAlbumsIn(albums_, *this); }

QueuedWindow::~QueuedWindow() {
  albums_.SetObserver(nullptr);
  view_ = nullptr;
}

void QueuedWindow::SetView(WindowView* view) { view_ = view; }

void QueuedWindow::Tell(const EngineEvent& event) {
  std::visit(
      [this](const auto& e) {
        using E = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<E, LogLine>) {
          // The texts are converted on the calling thread: the window thread
          // only inserts them.
          Push(Log{LogText(e.text)});
        } else if constexpr (std::is_same_v<E, RunProgressReport>) {
          // Only where the run stands now matters: a report replaces the one
          // not yet shown. The labels it fills are its own, so showing it
          // after the other events of the same batch changes nothing the
          // user could see in between.
          std::lock_guard lock(mutex_);
          progress_ = e.progress;
          ScheduleLocked();
        } else {
          Push(e);
        }
      },
      event);
}

void QueuedWindow::Push(Event event) {
  std::lock_guard lock(mutex_);
  // Appends that follow each other become one insert.
  if (auto* log = std::get_if<Log>(&event); log && !queue_.empty()) {
    if (auto* last = std::get_if<Log>(&queue_.back())) {
      last->text += log->text;
      return;  // a flush is already scheduled for the queue's first event
    }
  }
  queue_.push_back(std::move(event));
  ScheduleLocked();
}

// One flush is posted when the queue goes from empty to not empty. Posting
// does not wait for the window thread. A flush posted to the receiver is
// dropped by Qt if the receiver is gone before it runs.
void QueuedWindow::ScheduleLocked() {
  if (scheduled_) return;
  scheduled_ = true;
  QMetaObject::invokeMethod(
      &receiver_, [this] { Flush(); }, Qt::QueuedConnection);
}

void QueuedWindow::Flush() {
  std::vector<Event> events;
  std::optional<RunProgress> progress;
  {
    std::lock_guard lock(mutex_);
    events.swap(queue_);
    progress.swap(progress_);
    scheduled_ = false;
  }
  if (view_ == nullptr) return;
  for (const Event& event : events) {
    // The finish reads over the run's last progress, never under it.
    if (progress && std::holds_alternative<RunFinishedReport>(event)) {
      view_->ShowProgress(*progress);
      progress.reset();
      if (view_ == nullptr) return;
    }
    std::visit(
        [this](const auto& e) {
          using E = std::decay_t<decltype(e)>;
          if constexpr (std::is_same_v<E, Log>) {
            view_->ShowLog(e.text);
          } else if constexpr (std::is_same_v<E, RetrievalReport>) {
            view_->ShowRetrieval(e);
          } else if constexpr (std::is_same_v<E, AlbumListChange>) {
            view_->ShowListChange(e);
          } else if constexpr (std::is_same_v<E, RunStateReport>) {
            view_->ShowRunState(e.state);
          } else {
            view_->ShowRunFinished(e.summary);
          }
        },
        event);
    // A view may detach itself while handling an event (the window closes).
    if (view_ == nullptr) return;
  }
  if (progress) view_->ShowProgress(*progress);
}

}  // namespace albumdl::app
