// A Window that records what the engine shows and lets tests set what it reads.
// The run's progress is recorded as it came and, through CaptionsFor, as the
// history of each label: a label's caption is recorded each time it changes.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "views/captions.h"
#include "views/window.h"

namespace albumdl::testing {

class RecordingWindow : public Window {
 public:
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

  // Adds a row to the album list as a retrieval would: serial, title, picture
  // count and album id, ticked or not.
  void AddAlbumRow(const Text& title, const Text& count, const Text& albumId, bool checked = true);

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
  WindowValues values_;
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
  std::vector<RunState> states_;
  std::vector<DownloadSummary> finished_;
  bool busy_ = false;
  int page_ = -1;
  int retrievalsFinished_ = 0;
};

}  // namespace albumdl::testing
