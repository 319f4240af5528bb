// The window of the command line: the activity log goes to the console (and to a
// log file), message boxes are printed and answered OK, the switches and the save
// folder come from the options, and the download progress is one live line on
// standard error.
#pragma once

#include <mutex>
#include <string>

#include "cli/output_stream.h"
#include "model/album_list.h"
#include "views/view_values.h"
#include "views/views.h"

namespace albumdl::cli {

struct TerminalSettings {
  bool debug = false;
  bool skipDownloaded = false;
  Text saveFolder;
  // The streams live longer than the window. nullptr: nowhere.
  OutputStream* console = nullptr;  // where the activity log goes
  OutputStream* logFile = nullptr;  // the activity log is appended there too
  OutputStream* errors = nullptr;   // standard error: messages and the progress line
  bool verbose = false;             // status captions to the console as well
  bool progressLine = false;        // draw the live progress line on standard error
};

class TerminalWindow : public Views {
 public:
  explicit TerminalWindow(TerminalSettings settings);
  ~TerminalWindow() override;

  ViewValues& Values() { return values_; }
  AlbumList& Albums() { return albums_; }
  // Any thread: writes what it is told to the terminal (and the log file).
  void Tell(const EngineEvent& event) override;

  // Leaves the progress line behind: the console gets a clean line again.
  void EndProgressLine();

 private:
  void AppendLog(const Text& text);
  // Nobody sits in front of the command line to press a button: a message
  // box is printed.
  void Notify(const Text& text, const Text& title);
  void SetStatusCaption(const Text& text);
  void RunProgressChanged(const RunProgress& progress);
  void RunFinished(const DownloadSummary& summary);

  static void WriteConsole(OutputStream* stream, const std::string& utf8);
  void ClearProgressLocked();
  void DrawProgressLocked();

  std::mutex mutex_;
  TerminalSettings settings_;
  ViewValues values_;
  AlbumList albums_;
  RunProgress progress_;        // as the run reported it last
  bool progressShown_ = false;  // the line stands on the console now
  Text progressDrawn_;          // as it was drawn last
};

}  // namespace albumdl::cli
