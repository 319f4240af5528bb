#include "support/recording_window.h"

namespace albumdl::testing {

namespace {
template <typename T>
std::vector<T> Copy(std::mutex& mutex, const std::vector<T>& items) {
  std::lock_guard lock(mutex);
  return items;
}
}  // namespace

void RecordingWindow::AppendLog(const Text& text) {
  std::lock_guard lock(mutex_);
  log_.push_back(text);
}

int RecordingWindow::ShowMessage(const Text& text, const Text& title, MessageButtons) {
  std::lock_guard lock(mutex_);
  messages_.push_back(title + "|" + text);
  if (answers.empty()) return kButtonOk;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

Text RecordingWindow::InputText() {
  std::lock_guard lock(mutex_);
  return input;
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
bool RecordingWindow::DuplicateSwitch() {
  std::lock_guard lock(mutex_);
  return duplicateSwitch;
}
void RecordingWindow::SetDuplicateSwitch(bool on) {
  std::lock_guard lock(mutex_);
  duplicateSwitch = on;
}
bool RecordingWindow::DebugSwitch() {
  std::lock_guard lock(mutex_);
  return debugSwitch;
}
Text RecordingWindow::SaveFolder() {
  std::lock_guard lock(mutex_);
  return saveFolder;
}
Text RecordingWindow::ViewerCookies() {
  std::lock_guard lock(mutex_);
  return viewerCookies;
}
void RecordingWindow::SetSelectedCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  selected_ = text;
}
void RecordingWindow::SetAlbumCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  albumCaptions_.push_back(text);
}
void RecordingWindow::SetPictureCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  pictureCaptions_.push_back(text);
}
void RecordingWindow::SetPercentCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  percentCaptions_.push_back(text);
}
void RecordingWindow::SetProgress(int position, int maximum) {
  std::lock_guard lock(mutex_);
  progress_.emplace_back(position, maximum);
}
void RecordingWindow::SetRunButtons(RunButtons state) {
  std::lock_guard lock(mutex_);
  runButtons_.push_back(state);
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
std::vector<Text> RecordingWindow::AlbumCaptions() const { return Copy(mutex_, albumCaptions_); }
std::vector<Text> RecordingWindow::PictureCaptions() const {
  return Copy(mutex_, pictureCaptions_);
}
std::vector<Text> RecordingWindow::PercentCaptions() const {
  return Copy(mutex_, percentCaptions_);
}
std::vector<std::pair<int, int>> RecordingWindow::Progress() const {
  return Copy(mutex_, progress_);
}
std::vector<RunButtons> RecordingWindow::RunButtonStates() const {
  return Copy(mutex_, runButtons_);
}
Text RecordingWindow::selectedCaption() const {
  std::lock_guard lock(mutex_);
  return selected_;
}
bool RecordingWindow::busyBoardShown() const {
  std::lock_guard lock(mutex_);
  return busy_;
}
int RecordingWindow::currentPage() const {
  std::lock_guard lock(mutex_);
  return page_;
}

}  // namespace albumdl::testing
