// Runs the album retrieval on a thread of its own, so the window never waits
// for the site: the albums, how the retrieval stands and the log lines reach
// the views as the retrieval goes, and its last report says it is over. One
// retrieval at a time; closing the window ends one under way.
#pragma once

#include "control/gated_thread.h"
#include "control/pacer.h"
#include "model/album_list.h"
#include "session/session.h"
#include "views/view_values.h"
#include "views/views.h"

namespace albumdl {

class RetrievalControl {
 public:
  RetrievalControl(Views& views, const ViewValues& values, AlbumList& albums, Session& session,
                   PacerFactory pacers);
  ~RetrievalControl();  // ends a retrieval under way and waits for its thread

  // Window thread. Starts retrieving the albums of these input lines. False,
  // and nothing done, while a retrieval is under way (a second click is
  // ignored).
  bool Start(const Text& input);
  // Window thread. Ends a retrieval under way: its pause and its request stop
  // at once; the albums so far stay.
  void End();
  bool Running() const;  // any thread
  // Command line and tests: waits until the retrieval is over.
  void Wait();

 private:
  Views& views_;
  const ViewValues& values_;
  AlbumList& albums_;
  Session& session_;
  PacerFactory pacers_;
  GatedThread thread_;
};

}  // namespace albumdl
