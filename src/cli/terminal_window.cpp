#include "cli/terminal_window.h"

#include <utility>

#include "platform/code_page.h"
#include "views/captions.h"

namespace albumdl::cli {

namespace {

// The console wants UTF-8 and plain "\n" line ends. The line ends go first, while
// the text is still code page 936: the text primitives would read UTF-8 bytes as
// double-byte pairs and step over a CR that follows one.
// No other control character reaches the terminal: a site's text with an
// escape sequence in it must not be able to move the cursor or retitle it.
std::string ToConsole(const Text& text) {
  std::string utf8 = AnsiToUtf8(TextReplace(text, "\r\n", "\n"));
  for (char& c : utf8) {
    if ((c >= 0 && c < 0x20 && c != '\n') || c == 0x7F) c = '?';
  }
  return utf8;
}

// Keeps the progress line on one row: a long title is cut, on a character
// boundary so that no half of a double-byte character is left.
Text ShortTitle(const Text& title, size_t maxBytes = 40) {
  if (title.size() <= maxBytes) return title;
  size_t end = 0;
  while (end < title.size()) {
    const size_t width = platform::CharLength(title, end);
    if (end + width > maxBytes) break;
    end += width;
  }
  return title.substr(0, end) + "...";
}

}  // namespace

TerminalWindow::TerminalWindow(TerminalSettings settings) : settings_(std::move(settings)) {
  values_.SetDebugSwitch(settings_.debug);
  values_.SetDuplicateSwitch(settings_.skipDownloaded);
  values_.SetSaveFolder(settings_.saveFolder);
  ShowAlbumsIn(albums_, *this);
}

TerminalWindow::~TerminalWindow() { EndProgressLine(); }

void TerminalWindow::WriteConsole(OutputStream* stream, const std::string& utf8) {
  if (stream != nullptr) stream->Write(utf8);
}

void TerminalWindow::Tell(const EngineEvent& event) {
  if (const auto* line = std::get_if<LogLine>(&event)) {
    AppendLog(line->text);
  } else if (const auto* retrieval = std::get_if<RetrievalReport>(&event)) {
    if (retrieval->stage == RetrievalReport::Stage::kNoInput)
      Notify(kNoInputMessage, kMessageTitle);
    for (const Text& caption : RetrievalCaptions(*retrieval)) SetStatusCaption(caption);
  } else if (const auto* progress = std::get_if<RunProgressReport>(&event)) {
    RunProgressChanged(progress->progress);
  } else if (const auto* finished = std::get_if<RunFinishedReport>(&event)) {
    RunFinished(finished->summary);
  }
  // The album list is printed from the list itself, and the run's state
  // shows in its progress line.
}

void TerminalWindow::AppendLog(const Text& text) {
  std::lock_guard lock(mutex_);
  const std::string line = ToConsole(text);
  ClearProgressLocked();
  WriteConsole(settings_.console, line);
  WriteConsole(settings_.logFile, line);
  DrawProgressLocked();
}

// The end question is never put here, since Ctrl-C ends a run without asking.
void TerminalWindow::Notify(const Text& text, const Text& title) {
  std::lock_guard lock(mutex_);
  ClearProgressLocked();
  WriteConsole(settings_.errors, ToConsole(title + " " + text) + "\n");
  DrawProgressLocked();
}

void TerminalWindow::SetStatusCaption(const Text& text) {
  std::lock_guard lock(mutex_);
  if (!settings_.verbose) return;
  ClearProgressLocked();
  WriteConsole(settings_.console, ToConsole(text) + "\n");
  DrawProgressLocked();
}

void TerminalWindow::RunProgressChanged(const RunProgress& progress) {
  std::lock_guard lock(mutex_);
  progress_ = progress;
  DrawProgressLocked();
}

// A run that went through to its finish says how it ended, as the window's
// message box does.
void TerminalWindow::RunFinished(const DownloadSummary& summary) {
  EndProgressLine();
  if (summary.ended) return;
  const FinishCaptions finish = FinishCaptionsFor(summary);
  Notify(finish.message, finish.messageTitle);
}

void TerminalWindow::EndProgressLine() {
  std::lock_guard lock(mutex_);
  ClearProgressLocked();
  progress_ = {};
}

void TerminalWindow::ClearProgressLocked() {
  if (!progressShown_) return;
  WriteConsole(settings_.errors, "\r\033[K");
  progressShown_ = false;
}

// [2/5] title  picture 17/40  42%
void TerminalWindow::DrawProgressLocked() {
  const RunProgress& p = progress_;
  if (!settings_.progressLine || p.album < 1) return;
  Text line = "[" + std::to_string(p.album) + "/" + std::to_string(p.albums) + "] " +
              ShortTitle(p.albumTitle);
  if (p.picture > 0) {
    line += "  picture " + std::to_string(p.picture);
    if (p.pictureCount > 0) line += "/" + std::to_string(p.pictureCount);
  }
  const RunCaptions captions = CaptionsFor(p);
  if (!captions.percent.empty()) line += "  " + captions.percent;
  // The line changes only with the picture; one drawing per change is enough.
  if (progressShown_ && line == progressDrawn_) return;
  WriteConsole(settings_.errors, "\r\033[K" + AnsiToUtf8(line));
  progressShown_ = true;
  progressDrawn_ = line;
}

}  // namespace albumdl::cli
