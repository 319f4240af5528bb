// A Window that records what the engine shows and answers with preset values.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "catalogue/window.h"

namespace albumdl::testing {

class RecordingWindow : public Window {
 public:
  // What the engine reads.
  Text input;
  bool duplicateSwitch = false;
  bool debugSwitch = false;
  Text saveFolder;
  Text viewerCookies;
  // Answers for ShowMessage, in order; kButtonOk when none is left.
  std::deque<int> answers;

  void AppendLog(const Text& text) override;
  int ShowMessage(const Text& text, const Text& title, MessageButtons buttons) override;
  Text InputText() override;
  void SetStatusCaption(const Text& text) override;
  void ShowBusyBoard(bool shown) override;
  void SetCurrentPage(int page) override;
  AlbumList& Albums() override { return albums; }
  bool DuplicateSwitch() override;
  bool DebugSwitch() override;
  Text SaveFolder() override;
  Text ViewerCookies() override;
  void SetSelectedCaption(const Text& text) override;
  void SetAlbumCaption(const Text& text) override;
  void SetPictureCaption(const Text& text) override;
  void SetPercentCaption(const Text& text) override;
  void SetProgress(int position, int maximum) override;
  void SetRunButtons(RunButtons state) override;

  // What the engine showed.
  AlbumList albums;
  Text Log() const;                 // every appended text, concatenated
  std::vector<Text> LogLines() const;  // each append
  std::vector<Text> Messages() const;  // "title|text" of each message box
  std::vector<Text> StatusCaptions() const;
  std::vector<Text> AlbumCaptions() const;
  std::vector<Text> PictureCaptions() const;
  std::vector<Text> PercentCaptions() const;
  std::vector<std::pair<int, int>> Progress() const;
  std::vector<RunButtons> RunButtonStates() const;
  Text selectedCaption() const;
  bool busyBoardShown() const;
  int currentPage() const;

  // Set the switch from another thread while a run goes on.
  void SetDuplicateSwitch(bool on);

 private:
  mutable std::mutex mutex_;
  std::vector<Text> log_;
  std::vector<Text> messages_;
  std::vector<Text> status_;
  std::vector<Text> albumCaptions_;
  std::vector<Text> pictureCaptions_;
  std::vector<Text> percentCaptions_;
  std::vector<std::pair<int, int>> progress_;
  std::vector<RunButtons> runButtons_;
  Text selected_;
  bool busy_ = false;
  int page_ = -1;
};

}  // namespace albumdl::testing
