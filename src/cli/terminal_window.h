// The window of the command line: the activity log goes to the console (and to a
// log file), message boxes are printed and answered OK, the switches and the save
// folder come from the options, and the download progress is one live line on
// standard error.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "views/window.h"

namespace albumdl::cli {

struct TerminalSettings {
  bool debug = false;
  bool skipDownloaded = false;
  Text saveFolder;
  std::FILE* console = stdout;   // where the activity log goes; nullptr: nowhere
  std::FILE* logFile = nullptr;  // appended too; the window closes it
  bool verbose = false;          // status captions to the console as well
  bool progressLine = false;     // draw the live progress line on stderr
};

class TerminalWindow : public Window {
 public:
  explicit TerminalWindow(TerminalSettings settings);
  ~TerminalWindow() override;

  WindowValues& Values() override { return values_; }
  AlbumList& Albums() override { return albums_; }
  void AppendLog(const Text& text) override;
  void Notify(const Text& text, const Text& title) override;
  void SetStatusCaption(const Text& text) override;
  void ShowBusyBoard(bool) override {}
  void SetCurrentPage(int) override {}
  void RetrievalFinished() override {}
  void RunStateChanged(RunState) override {}
  void RunProgressChanged(const RunProgress& progress) override;
  void RunFinished(const DownloadSummary&) override {}

  // Leaves the progress line behind: the console gets a clean line again.
  void EndProgressLine();

 private:
  void WriteConsole(std::FILE* stream, const std::string& utf8);
  void ClearProgressLocked();
  void DrawProgressLocked();

  std::mutex mutex_;
  TerminalSettings settings_;
  WindowValues values_;
  AlbumList albums_;
  RunProgress progress_;        // as the run reported it last
  bool progressShown_ = false;  // the line stands on the console now
  Text progressDrawn_;          // as it was drawn last
};

}  // namespace albumdl::cli
