// Views that record what the engine tells, with the values it reads and the
// album list it fills. The run's progress is recorded as it came and, through
// CaptionsFor, as the history of each label: a label's caption is recorded
// each time it changes. A finished run's label and message are recorded as
// the window shows them (FinishCaptionsFor).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "model/album_list.h"
#include "views/captions.h"
#include "views/view_values.h"
#include "views/views.h"

namespace albumdl::testing {

class RecordingWindow : public Views {
 public:
  ViewValues& Values() { return values_; }
  AlbumList& Albums() { return albums_; }
  void Tell(const EngineEvent& event) override;

  // Adds an album to the list as a retrieval would: a board with its title,
  // picture count and id, or a keyword search with its keyword; ticked or not.
  void AddBoard(const Text& title, long long count, const Text& boardId, bool ticked = true);
  void AddKeyword(const Text& keyword, long long count, bool ticked = true);

  Text Log() const;                    // every appended text, concatenated
  std::vector<Text> LogLines() const;  // each append
  std::vector<Text> Messages() const;  // "title|text" of each message box
  std::vector<Text> StatusCaptions() const;
  std::vector<RunProgress> ProgressReports() const;  // each report as it came
  // Each label's captions, a new entry whenever it changed.
  std::vector<Text> SelectedCaptions() const;
  std::vector<Text> AlbumCaptions() const;
  std::vector<Text> PictureCaptions() const;
  std::vector<Text> PercentCaptions() const;
  std::vector<int> Bars() const;
  RunCaptions Captions() const;  // as the labels read now
  std::vector<RunState> RunStates() const;
  std::vector<DownloadSummary> Finished() const;
  bool busyBoardShown() const;
  int currentPage() const;
  int retrievalsFinished() const;

 private:
  ViewValues values_;
  AlbumList albums_;
  mutable std::mutex mutex_;
  std::vector<Text> log_;
  std::vector<Text> messages_;
  std::vector<Text> status_;
  std::vector<RunProgress> reports_;
  RunCaptions captions_;
  std::vector<Text> selected_;
  std::vector<Text> albumCaptions_;
  std::vector<Text> pictureCaptions_;
  std::vector<Text> percentCaptions_;
  std::vector<int> bars_;
  int bar_ = 0;
  std::vector<RunState> states_;
  std::vector<DownloadSummary> finished_;
  bool busy_ = false;
  int page_ = -1;
  int retrievalsFinished_ = 0;
};

}  // namespace albumdl::testing
