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

QueuedWindow::QueuedWindow() {
  albums_.SetObserver([this](const AlbumListChange& change) { Push(change); });
}

QueuedWindow::~QueuedWindow() {
  albums_.SetObserver(nullptr);
  view_ = nullptr;
}

void QueuedWindow::SetView(WindowView* view) { view_ = view; }

// The texts are converted on the calling thread: the window thread only
// inserts them.
void QueuedWindow::AppendLog(const Text& text) { Push(Log{LogText(text)}); }

void QueuedWindow::Notify(const Text& text, const Text& title) {
  Push(Notice{ToQString(text), ToQString(title)});
}

void QueuedWindow::SetStatusCaption(const Text& text) { Push(Status{ToQString(text)}); }

void QueuedWindow::ShowBusyBoard(bool shown) { Push(BusyBoard{shown}); }

void QueuedWindow::SetCurrentPage(int page) { Push(Page{page}); }

void QueuedWindow::RetrievalFinished() { Push(RetrievalOver{}); }

void QueuedWindow::RunStateChanged(RunState state) { Push(State{state}); }

void QueuedWindow::RunFinished(const DownloadSummary& summary) { Push(Finished{summary}); }

// Only where the run stands now matters: a report replaces the one not yet
// shown. The labels it fills are its own, so showing it after the other
// events of the same batch changes nothing the user could see in between.
void QueuedWindow::RunProgressChanged(const RunProgress& progress) {
  const RunCaptions captions = CaptionsFor(progress);
  std::lock_guard lock(mutex_);
  progress_ = captions;
  ScheduleLocked();
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
  std::optional<RunCaptions> progress;
  {
    std::lock_guard lock(mutex_);
    events.swap(queue_);
    progress.swap(progress_);
    scheduled_ = false;
  }
  if (view_ == nullptr) return;
  for (const Event& event : events) {
    std::visit(
        [this](const auto& e) {
          using E = std::decay_t<decltype(e)>;
          if constexpr (std::is_same_v<E, Log>) {
            view_->ShowLog(e.text);
          } else if constexpr (std::is_same_v<E, Notice>) {
            view_->ShowNotice(e.text, e.title);
          } else if constexpr (std::is_same_v<E, Status>) {
            view_->ShowStatus(e.text);
          } else if constexpr (std::is_same_v<E, BusyBoard>) {
            view_->ShowBusyBoard(e.shown);
          } else if constexpr (std::is_same_v<E, Page>) {
            view_->ShowPage(e.page);
          } else if constexpr (std::is_same_v<E, RetrievalOver>) {
            view_->ShowRetrievalFinished();
          } else if constexpr (std::is_same_v<E, State>) {
            view_->ShowRunState(e.state);
          } else if constexpr (std::is_same_v<E, Finished>) {
            view_->ShowRunFinished(e.summary);
          } else {
            view_->ShowListChange(e);
          }
        },
        event);
    // A view may detach itself while handling an event (the window closes).
    if (view_ == nullptr) return;
  }
  if (progress) view_->ShowProgress(*progress);
}

}  // namespace albumdl::app
