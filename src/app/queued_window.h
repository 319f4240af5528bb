// The engine's Views for the Qt window. Every event, from any thread, is queued
// and Tell returns at once; the window thread takes the whole queue in one go,
// as soon as its event loop comes round, and hands it to the WindowView in
// order. Consecutive log appends are joined into one, and only the latest
// progress report is kept, so a fast run cannot flood the window thread.
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
#include "model/album_list.h"
#include "views/view_values.h"
#include "views/views.h"

namespace albumdl::app {

class QueuedWindow : public Views {
 public:
  QueuedWindow();  // on the window thread
  ~QueuedWindow() override;
  QueuedWindow(const QueuedWindow&) = delete;
  QueuedWindow& operator=(const QueuedWindow&) = delete;

  // Window thread. The view that is shown the events from now on; nullptr
  // before the view goes.
  void SetView(WindowView* view);

  // The values the window keeps current for the engine, and the album list
  // the engine fills; every change of the list is told as an event too.
  ViewValues& Values() { return values_; }
  AlbumList& Albums() { return albums_; }

  void Tell(const EngineEvent& event) override;

 private:
  struct Log {
    QString text;
  };
  using Event =
      std::variant<Log, RetrievalReport, AlbumListChange, RunStateReport, RunFinishedReport>;

  void Push(Event event);
  void ScheduleLocked();
  void Flush();  // window thread

  ViewValues values_;
  AlbumList albums_;
  QObject receiver_;  // lives on the window thread; carries the flushes there

  std::mutex mutex_;
  std::vector<Event> queue_;
  std::optional<RunProgress> progress_;
  bool scheduled_ = false;

  WindowView* view_ = nullptr;  // window thread only
};

}  // namespace albumdl::app
