// The engine's Window for the Qt window. Every call, from any thread, is queued
// and returns at once; the window thread takes the whole queue in one go, as
// soon as its event loop comes round, and hands it to the WindowView in order.
// Consecutive log appends are joined into one, and only the latest progress
// report is kept, so a fast run cannot flood the window thread.
//
// Lifetime: it must outlive whatever calls it (the retrieval and worker
// controls, whose destructors join their threads). Queued work still pending
// when it goes is dropped, and nothing is handed to a view that has been
// detached with SetView(nullptr).
#pragma once

#include <QObject>
#include <QString>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

#include "app/window_view.h"
#include "views/window.h"

namespace albumdl::app {

class QueuedWindow : public Window {
 public:
  QueuedWindow();  // on the window thread
  ~QueuedWindow() override;
  QueuedWindow(const QueuedWindow&) = delete;
  QueuedWindow& operator=(const QueuedWindow&) = delete;

  // Window thread. The view that is shown the reports from now on; nullptr
  // before the view goes.
  void SetView(WindowView* view);

  WindowValues& Values() override { return values_; }
  AlbumList& Albums() override { return albums_; }
  void AppendLog(const Text& text) override;
  void Notify(const Text& text, const Text& title) override;
  void SetStatusCaption(const Text& text) override;
  void ShowBusyBoard(bool shown) override;
  void SetCurrentPage(int page) override;
  void RetrievalFinished() override;
  void RunStateChanged(RunState state) override;
  void RunProgressChanged(const RunProgress& progress) override;
  void RunFinished(const DownloadSummary& summary) override;

 private:
  struct Log {
    QString text;
  };
  struct Notice {
    QString text, title;
  };
  struct Status {
    QString text;
  };
  struct BusyBoard {
    bool shown;
  };
  struct Page {
    int page;
  };
  struct RetrievalOver {};
  struct State {
    RunState state;
  };
  struct Finished {
    DownloadSummary summary;
  };
  using Event = std::variant<Log, Notice, Status, BusyBoard, Page, RetrievalOver, State, Finished,
                             AlbumListChange>;

  void Push(Event event);
  void ScheduleLocked();
  void Flush();  // window thread

  WindowValues values_;
  AlbumList albums_;
  QObject receiver_;  // lives on the window thread; carries the flushes there

  std::mutex mutex_;
  std::vector<Event> queue_;
  std::optional<RunCaptions> progress_;
  bool scheduled_ = false;

  WindowView* view_ = nullptr;  // window thread only
};

}  // namespace albumdl::app
