// The window of the command line: the activity log goes to the console (and to a
// log file), message boxes are printed and answered OK, the switches and the save
// folder come from the options, and the download progress is one live line on
// standard error.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "catalogue/window.h"

namespace albumdl::cli {

struct TerminalSettings {
  Text input;  // the addresses, as the input box would hold them
  bool debug = false;
  bool skipDownloaded = false;
  Text saveFolder;
  Text viewerCookies;
  std::FILE* console = stdout;   // where the activity log goes; nullptr: nowhere
  std::FILE* logFile = nullptr;  // appended too; the window closes it
  bool verbose = false;          // status captions to the console as well
  bool progressLine = false;     // draw the live progress line on stderr
};

// One album of the coming run, for the progress line.
struct RunAlbum {
  Text title;
  Text pictureCount;
};

class TerminalWindow : public Window {
 public:
  explicit TerminalWindow(TerminalSettings settings);
  ~TerminalWindow() override;

  void AppendLog(const Text& text) override;
  int ShowMessage(const Text& text, const Text& title, MessageButtons buttons) override;
  Text InputText() override;
  void SetStatusCaption(const Text& text) override;
  void ShowBusyBoard(bool) override {}
  void SetCurrentPage(int) override {}
  AlbumList& Albums() override { return albums_; }
  bool DuplicateSwitch() override;
  bool DebugSwitch() override;
  Text SaveFolder() override;
  Text ViewerCookies() override;
  void SetSelectedCaption(const Text& text) override;
  void SetAlbumCaption(const Text& text) override;
  void SetPictureCaption(const Text& text) override;
  void SetPercentCaption(const Text& text) override;
  void SetProgress(int position, int maximum) override;
  void SetRunButtons(RunButtons) override {}

  // The albums the run will work through, in order, so the progress line can
  // name them.
  void SetRunAlbums(std::vector<RunAlbum> albums);
  // Leaves the progress line behind: the console gets a clean line again.
  void EndProgressLine();

 private:
  void WriteConsole(std::FILE* stream, const std::string& utf8);
  void ClearProgressLocked();
  void DrawProgressLocked();

  std::mutex mutex_;
  TerminalSettings settings_;
  AlbumList albums_;
  std::vector<RunAlbum> runAlbums_;
  // The progress as the run reports it through its captions.
  int album_ = 0;  // 1-based, 0 before the first
  int albumTotal_ = 0;
  int picture_ = 0;
  Text percent_;
  bool progressShown_ = false;  // the line stands on the console now
  Text progressDrawn_;          // as it was drawn last
};

}  // namespace albumdl::cli
