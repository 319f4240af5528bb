#include "cli/terminal_window.h"

#include <utility>

namespace albumdl::cli {

namespace {

// The console wants UTF-8 and plain "\n" line ends. The line ends go first, while
// the text is still code page 936: the text primitives would read UTF-8 bytes as
// double-byte pairs and step over a CR that follows one.
std::string ToConsole(const Text& text) { return AnsiToUtf8(TextReplace(text, "\r\n", "\n")); }

// The number the run writes between brackets in its captions: 下载到第[2]个相册,
// 总共需下载[5]个相册, 第[17]个图片.
int BracketNumber(const Text& caption) {
  return static_cast<int>(TextToInt(TextBetween(caption, "[", "]")));
}

// Keeps the progress line on one row: a long title is cut, on a character
// boundary so that no half of a double-byte character is left.
Text ShortTitle(const Text& title, size_t maxBytes = 40) {
  if (title.size() <= maxBytes) return title;
  size_t end = 0;
  while (end < title.size()) {
    const size_t width = static_cast<unsigned char>(title[end]) >= 0x80 ? 2 : 1;
    if (end + width > maxBytes) break;
    end += width;
  }
  return title.substr(0, end) + "...";
}

}  // namespace

TerminalWindow::TerminalWindow(TerminalSettings settings) : settings_(std::move(settings)) {}

TerminalWindow::~TerminalWindow() {
  EndProgressLine();
  if (settings_.logFile != nullptr) std::fclose(settings_.logFile);
}

void TerminalWindow::WriteConsole(std::FILE* stream, const std::string& utf8) {
  if (stream == nullptr) return;
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

void TerminalWindow::AppendLog(const Text& text) {
  std::lock_guard lock(mutex_);
  const std::string line = ToConsole(text);
  ClearProgressLocked();
  WriteConsole(settings_.console, line);
  WriteConsole(settings_.logFile, line);
  DrawProgressLocked();
}

// Nobody sits in front of the command line to press a button: the box is printed
// and answered OK. The end question is never put here, since Ctrl-C ends a run
// without asking.
int TerminalWindow::ShowMessage(const Text& text, const Text& title, MessageButtons) {
  std::lock_guard lock(mutex_);
  ClearProgressLocked();
  WriteConsole(stderr, ToConsole(title + " " + text) + "\n");
  DrawProgressLocked();
  return kButtonOk;
}

Text TerminalWindow::InputText() {
  std::lock_guard lock(mutex_);
  return settings_.input;
}

void TerminalWindow::SetStatusCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  if (!settings_.verbose) return;
  ClearProgressLocked();
  WriteConsole(settings_.console, ToConsole(text) + "\n");
  DrawProgressLocked();
}

bool TerminalWindow::DuplicateSwitch() {
  std::lock_guard lock(mutex_);
  return settings_.skipDownloaded;
}

bool TerminalWindow::DebugSwitch() {
  std::lock_guard lock(mutex_);
  return settings_.debug;
}

Text TerminalWindow::SaveFolder() {
  std::lock_guard lock(mutex_);
  return settings_.saveFolder;
}

Text TerminalWindow::ViewerCookies() {
  std::lock_guard lock(mutex_);
  return settings_.viewerCookies;
}

void TerminalWindow::SetSelectedCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  albumTotal_ = BracketNumber(text);
}

void TerminalWindow::SetAlbumCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  album_ = BracketNumber(text);
  picture_ = 0;
  percent_.clear();
  DrawProgressLocked();
}

void TerminalWindow::SetPictureCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  picture_ = BracketNumber(text);
  DrawProgressLocked();
}

void TerminalWindow::SetPercentCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  percent_ = text;
  DrawProgressLocked();
}

void TerminalWindow::SetProgress(int position, int maximum) {
  std::lock_guard lock(mutex_);
  // The percent caption follows the bar; this covers a run that sets only the bar.
  if (maximum > 0) percent_ = std::to_string(position * 100 / maximum) + "%";
  DrawProgressLocked();
}

void TerminalWindow::SetRunAlbums(std::vector<RunAlbum> albums) {
  std::lock_guard lock(mutex_);
  runAlbums_ = std::move(albums);
  albumTotal_ = static_cast<int>(runAlbums_.size());
}

void TerminalWindow::EndProgressLine() {
  std::lock_guard lock(mutex_);
  ClearProgressLocked();
  album_ = 0;
}

void TerminalWindow::ClearProgressLocked() {
  if (!progressShown_) return;
  WriteConsole(stderr, "\r\033[K");
  progressShown_ = false;
}

// [2/5] title  picture 17/40  42%
void TerminalWindow::DrawProgressLocked() {
  if (!settings_.progressLine || album_ < 1) return;
  Text line = "[" + std::to_string(album_) + "/" + std::to_string(albumTotal_) + "]";
  Text count;
  if (album_ <= static_cast<int>(runAlbums_.size())) {
    const RunAlbum& album = runAlbums_[album_ - 1];
    line += " " + ShortTitle(album.title);
    count = album.pictureCount;
  }
  if (picture_ > 0) {
    line += "  picture " + std::to_string(picture_);
    if (!count.empty()) line += "/" + count;
  }
  if (!percent_.empty()) line += "  " + percent_;
  // The run sets the bar and its caption one after the other; one drawing each
  // time the line really changes is enough.
  if (progressShown_ && line == progressDrawn_) return;
  WriteConsole(stderr, "\r\033[K" + AnsiToUtf8(line));
  progressShown_ = true;
  progressDrawn_ = line;
}

}  // namespace albumdl::cli
