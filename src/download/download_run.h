// One download run: every ticked album of the list, one after the other, each
// through its album's life (album_download.h), then the finish: the last log
// line and what the run did, which the views turn into the label and the
// message ("全部下载完毕" when nothing failed). It runs on the download thread
// (WorkerControl) and tells the views where it stands as it goes.
#pragma once

#include <vector>

#include "control/pacer.h"
#include "control/run_gate.h"
#include "model/album.h"
#include "model/run_report.h"
#include "session/session.h"
#include "views/view_values.h"
#include "views/views.h"

namespace albumdl {

class PictureLanes;
class PictureIndex;

// Everything a run works with. The gate is where pause, continue and end act:
// the run passes it before every request and before every caption it changes,
// so a paused run shows nothing new until it goes on.
struct DownloadContext {
  Views& views;
  const ViewValues& values;
  Session& session;
  Pacer& pacer;
  RunGate& gate;
  RunProgress progress;     // where the run stands
  DownloadSummary summary;  // what it did so far
  // Pictures of a page fetched at once (the command line's --jobs); 1: one
  // after the other on the run's thread.
  int pictureLanes = 1;
  // The run's lanes, made by DownloadRun for the whole run. While they work
  // on a page, they alone touch progress and summary, under their lock.
  PictureLanes* lanes = nullptr;
  // Read from the values as the run starts (DownloadRun): only what is new
  // since an album's last complete pass (sync_pass.h), which implies the
  // duplicate skip.
  bool sync = false;
  // One copy of a picture for all albums (picture_index.h): the index, open
  // from the run's start to its end when the switch was on as it started.
  PictureIndex* pictureIndex = nullptr;

  // The duplicate skip: the switch (read before every picture), or a sync run.
  bool SkipsRecorded() const { return sync || values.DuplicateSwitch(); }

  // Holds while paused; false once the run was ended.
  bool Checkpoint() { return gate.Pass(); }
  // Sends the progress as it stands to the views.
  void Report() { views.Tell(RunProgressReport{progress}); }
  void Log(const Text& text) { views.Tell(LogLine{text}); }
};

// albums: the album list as it was when the run started; later changes to the
// list do not touch the run.
DownloadSummary DownloadRun(DownloadContext& context, const std::vector<Album>& albums);

}  // namespace albumdl
