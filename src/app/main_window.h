// The main window: its controls, the start-up sequence and the event table.
// The engine works on threads of its own (album retrieval, download run,
// update check) and reports through the queued window, so the window thread
// never waits for the network or for the engine.
#pragma once

#include <QElapsedTimer>
#include <QNetworkCookie>
#include <QString>
#include <QWidget>
#include <memory>

#include "app/queued_window.h"
#include "app/window_controls.h"
#include "app/window_place.h"
#include "app/window_view.h"
#include "control/pacer.h"
#include "session/session.h"

namespace albumdl {
class RetrievalControl;
class WorkerControl;
}  // namespace albumdl

namespace albumdl::app {

class AlbumListControl;
class AlbumTableModel;
class DesktopNotice;
class SettingsPage;
class UpdateChecker;
struct UpdateVerdict;

struct WindowSetup {
  // The session made by SetUpSession (session_setup.h); it must outlive the
  // window. nullptr: the window makes one of its own for site.
  Session* session = nullptr;
  Site site;          // the site's addresses, for a session of the window's own
  double pace = 1.0;  // multiplies every pause between requests
  QString addresses;  // put into the address box at start-up (demo)
};

// The window's title, and the version it reports.
extern const char kWindowTitle[];
extern const char kCurrentVersion[];
extern const char kUpdateKeyWord[];

class MainWindow : public QWidget, private WindowView {
  Q_OBJECT

 public:
  explicit MainWindow(const WindowSetup& setup);
  // Ends a run or a retrieval still going and waits for their threads; the
  // window is gone from the screen by then.
  ~MainWindow() override;

  const WindowControls& Controls() const { return c_; }
  QueuedWindow& Engine() { return engine_; }
  Session& CurrentSession() { return session_; }
  bool StartupFinished() const { return startupFinished_; }
  int SettingsPageVisits() const { return settingsPageVisits_; }
  AlbumListControl& AlbumActions() { return *listControl_; }
  DesktopNotice& Notice() { return *notice_; }
  // The save folder when none is set: the user's pictures folder, a folder
  // of this program's in it (native path); the program directory when the
  // system names no pictures folder the program can use.
  QString DefaultSaveFolder() const;
  // A second start on the same program directory: shown, raised, activated.
  void ComeForward();
  // The site changed on the settings page and not yet taken into use (a
  // retrieval or a run was going); taken when the next one starts.
  bool SitePending() const { return sitePending_; }

 signals:
  void startupFinished();
  void retrievalFinished();
  void runFinished();
  void updateChecked();
  // A cookie of the viewer went into the session's jar or left it.
  void viewerCookiesChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // The run buttons' presses (see Connect).
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // WindowView: the engine's reports, on the window thread.
  void ShowLog(const QString& text) override;
  void ShowRetrieval(const RetrievalReport& report) override;
  void ShowRunState(RunState state) override;
  void ShowProgress(const RunProgress& progress) override;
  void ShowRunFinished(const DownloadSummary& summary) override;
  void ShowListChange(const AlbumListChange& change) override;

  void FinishStartup();
  void Connect();
  void ConnectKeys();
  void ToolbarClicked(int index);
  void PageShown(int page);
  void ChooseSaveFolder();
  void OpenSaveFolder();
  void FetchAlbums();
  void StopFetch();
  void StartDownload();
  void PauseOrContinue();
  void AskEnd();
  // The fetch and the download exclude each other: each button is usable
  // only while neither the other nor itself is going.
  void UpdateActions();
  void StartUpdateCheck();
  void ShowUpdateVerdict(const UpdateVerdict& verdict);
  void SetVerdict(const QString& text, bool newer);
  void PutViewerCookie(const QNetworkCookie& cookie);
  void RemoveViewerCookie(const QNetworkCookie& cookie);
  // The save folder as the user named it (native), or a message box that names
  // it when the program cannot keep its name; false then.
  bool UsableSaveFolder(const QString& folder);
  // The site chosen on the settings page goes into the session while nothing
  // reads it: before a retrieval or a run starts.
  void TakePendingSite();
  QString AlbumFolderIfMade(const Album& album) const;
  void OpenAlbumPage(int row);
  void UpdateTitle();
  WindowPlace CurrentPlace() const;
  void FitOnScreen();

  std::unique_ptr<Session> ownSession_;  // when the setup brought none
  Session& session_;
  QString usableSaveFolder_;  // the save folder last accepted
  // Before the controls that call it: it must outlive their threads.
  QueuedWindow engine_;
  WindowControls c_;
  AlbumTableModel* model_ = nullptr;
  AlbumListControl* listControl_ = nullptr;
  SettingsPage* settings_ = nullptr;
  DesktopNotice* notice_ = nullptr;
  UpdateChecker* updates_ = nullptr;
  std::unique_ptr<RetrievalControl> retrieval_;
  std::unique_ptr<WorkerControl> worker_;

  int settingsPageVisits_ = 0;  // 1 after start-up, 2 after the toolbar first showed settings
  QString updateKeyWord_;
  QString verdictBefore_;  // the verdict a check that changes nothing leaves
  bool verdictNewer_ = false;
  bool startupFinished_ = false;
  bool startupScheduled_ = false;
  bool fitted_ = false;
  bool retrieving_ = false;
  RunState runState_ = RunState::kIdle;
  RunProgress lastProgress_;
  QObject* lastRunPress_ = nullptr;  // the run button last pressed
  QElapsedTimer runPress_;           // since then
  Site pendingSite_;
  bool sitePending_ = false;
  WindowPlace placeAtStart_;
};

}  // namespace albumdl::app
