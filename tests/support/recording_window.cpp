#include "support/recording_window.h"

#include <algorithm>

#include "site/board_album.h"
#include "site/keyword_album.h"

namespace albumdl::testing {

namespace {
template <typename T>
std::vector<T> Copy(std::mutex& mutex, const std::vector<T>& items) {
  std::lock_guard lock(mutex);
  return items;
}

template <typename T>
void Follow(std::vector<T>& history, T& current, const T& now) {
  if (now == current) return;
  current = now;
  history.push_back(now);
}
}  // namespace

void RecordingWindow::Tell(const EngineEvent& event) {
  std::lock_guard lock(mutex_);
  if (const auto* line = std::get_if<LogLine>(&event)) {
    log_.push_back(line->text);
  } else if (const auto* retrieval = std::get_if<RetrievalReport>(&event)) {
    for (const Text& caption : RetrievalCaptions(*retrieval)) status_.push_back(caption);
    switch (retrieval->stage) {
      case RetrievalReport::Stage::kNoInput:
        messages_.push_back(kMessageTitle + "|" + kNoInputMessage);
        page_ = 0;
        ++retrievalsFinished_;
        break;
      case RetrievalReport::Stage::kStarted:
        busy_ = true;
        break;
      case RetrievalReport::Stage::kFinished:
        busy_ = false;
        ++retrievalsFinished_;
        break;
    }
  } else if (const auto* state = std::get_if<RunStateReport>(&event)) {
    states_.push_back(state->state);
  } else if (const auto* report = std::get_if<RunProgressReport>(&event)) {
    reports_.push_back(report->progress);
    const RunCaptions now = CaptionsFor(report->progress);
    Follow(selected_, captions_.selected, now.selected);
    Follow(albumCaptions_, captions_.album, now.album);
    Follow(pictureCaptions_, captions_.picture, now.picture);
    Follow(percentCaptions_, captions_.percent, now.percent);
    // The bar starts at 0 like the control, draws 0 to 100, and its first
    // position is recorded too.
    const int bar = static_cast<int>(std::clamp(now.share, 0LL, 100LL));
    if (bars_.empty() || bar != bar_) bars_.push_back(bar);
    bar_ = bar;
  } else if (const auto* finished = std::get_if<RunFinishedReport>(&event)) {
    finished_.push_back(finished->summary);
    if (!finished->summary.ended) {
      const FinishCaptions finish = FinishCaptionsFor(finished->summary);
      Follow(pictureCaptions_, captions_.picture, finish.picture);
      messages_.push_back(finish.messageTitle + "|" + finish.message);
    }
  }
}

void RecordingWindow::AddBoard(const Text& title, long long count, const Text& boardId,
                               bool ticked) {
  Album album;
  album.kind = BoardAlbum().Name();
  album.id = boardId;
  album.title = title;
  album.pictureCount = count;
  album.ticked = ticked;
  albums_.AppendRow(std::move(album));
}

void RecordingWindow::AddKeyword(const Text& keyword, long long count, bool ticked) {
  Album album;
  album.kind = KeywordAlbum().Name();
  album.id = kKeywordPrefix + keyword;
  album.title = keyword;
  album.pictureCount = count;
  album.ticked = ticked;
  albums_.AppendRow(std::move(album));
}

Text RecordingWindow::Log() const {
  std::lock_guard lock(mutex_);
  Text all;
  for (const Text& line : log_) all += line;
  return all;
}
std::vector<Text> RecordingWindow::LogLines() const { return Copy(mutex_, log_); }
std::vector<Text> RecordingWindow::Messages() const { return Copy(mutex_, messages_); }
std::vector<Text> RecordingWindow::StatusCaptions() const { return Copy(mutex_, status_); }
std::vector<RunProgress> RecordingWindow::ProgressReports() const { return Copy(mutex_, reports_); }
std::vector<Text> RecordingWindow::SelectedCaptions() const { return Copy(mutex_, selected_); }
std::vector<Text> RecordingWindow::AlbumCaptions() const { return Copy(mutex_, albumCaptions_); }
std::vector<Text> RecordingWindow::PictureCaptions() const {
  return Copy(mutex_, pictureCaptions_);
}
std::vector<Text> RecordingWindow::PercentCaptions() const {
  return Copy(mutex_, percentCaptions_);
}
std::vector<int> RecordingWindow::Bars() const { return Copy(mutex_, bars_); }
RunCaptions RecordingWindow::Captions() const {
  std::lock_guard lock(mutex_);
  return captions_;
}
std::vector<RunState> RecordingWindow::RunStates() const { return Copy(mutex_, states_); }
std::vector<DownloadSummary> RecordingWindow::Finished() const { return Copy(mutex_, finished_); }
bool RecordingWindow::busyBoardShown() const {
  std::lock_guard lock(mutex_);
  return busy_;
}
int RecordingWindow::currentPage() const {
  std::lock_guard lock(mutex_);
  return page_;
}
int RecordingWindow::retrievalsFinished() const {
  std::lock_guard lock(mutex_);
  return retrievalsFinished_;
}

}  // namespace albumdl::testing
