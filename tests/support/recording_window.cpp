#include "support/recording_window.h"

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

void RecordingWindow::AppendLog(const Text& text) {
  std::lock_guard lock(mutex_);
  log_.push_back(text);
}

void RecordingWindow::Notify(const Text& text, const Text& title) {
  std::lock_guard lock(mutex_);
  messages_.push_back(title + "|" + text);
}

void RecordingWindow::SetStatusCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  status_.push_back(text);
}

void RecordingWindow::ShowBusyBoard(bool shown) {
  std::lock_guard lock(mutex_);
  busy_ = shown;
}

void RecordingWindow::SetCurrentPage(int page) {
  std::lock_guard lock(mutex_);
  page_ = page;
}

void RecordingWindow::RetrievalFinished() {
  std::lock_guard lock(mutex_);
  ++retrievalsFinished_;
}

void RecordingWindow::RunStateChanged(RunState state) {
  std::lock_guard lock(mutex_);
  states_.push_back(state);
}

void RecordingWindow::RunProgressChanged(const RunProgress& progress) {
  std::lock_guard lock(mutex_);
  reports_.push_back(progress);
  const RunCaptions now = CaptionsFor(progress);
  Follow(selected_, captions_.selected, now.selected);
  Follow(albumCaptions_, captions_.album, now.album);
  Follow(pictureCaptions_, captions_.picture, now.picture);
  Follow(percentCaptions_, captions_.percent, now.percent);
  // The bar starts at 0 like the control; its first position is recorded too.
  if (bars_.empty() || now.bar != captions_.bar) bars_.push_back(now.bar);
  captions_.bar = now.bar;
}

void RecordingWindow::RunFinished(const DownloadSummary& summary) {
  std::lock_guard lock(mutex_);
  finished_.push_back(summary);
}

void RecordingWindow::AddAlbumRow(const Text& title, const Text& count, const Text& albumId,
                                  bool checked) {
  const int row = albums_.AppendRow();
  albums_.SetCell(row, kColumnSerial, std::to_string(row + 1));
  albums_.SetCell(row, kColumnTitle, title);
  albums_.SetCell(row, kColumnCount, count);
  albums_.SetCell(row, kColumnAlbumId, albumId);
  albums_.SetChecked(row, checked);
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
