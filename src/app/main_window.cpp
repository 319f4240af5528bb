#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>

#include "app/album_table_model.h"
#include "app/look.h"
#include "app/qt_text.h"
#include "app/site_cookies.h"
#include "app/update_check.h"
#include "app/web_viewer.h"
#include "download/duplicate_store.h"
#include "download/worker_control.h"
#include "platform/files.h"
#include "retrieval/retrieval_control.h"
#include "session/session_setup.h"
#include "text/settings.h"
#include "views/captions.h"

namespace albumdl::app {

const char kWindowTitle[] = "albumdl 相册下载器";
const char kCurrentVersion[] = "3.0";
const char kUpdateKeyWord[] = "zelvani";

namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// A path as the core names it (code page 936, "\" or "/") as this system's.
QString NativeFolder(const Text& path) {
  return QString::fromStdString(platform::NativePathOf(path).str());
}

// Message boxes never hold up the window thread: they are opened, and what
// follows their answer runs when it comes.
QMessageBox* OpenBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                     const QString& text, QMessageBox::StandardButtons buttons) {
  auto* box = new QMessageBox(icon, title, text, buttons, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::WindowModal);
  return box;
}

}  // namespace

MainWindow::MainWindow(const WindowSetup& setup)
    : ownSession_(setup.session ? nullptr : std::make_unique<Session>()),
      session_(setup.session ? *setup.session : *ownSession_) {
  if (ownSession_) session_.site = setup.site;
  // 1. The look, before anything is drawn.
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
    ApplyLook(*app, kStartupLook);

  setObjectName(QStringLiteral("窗口"));
  setWindowTitle(Utf8(kWindowTitle));
  c_ = BuildControls(this, ToQString(session_.site.siteHost));
  setGeometry(50, 50, kDesignWidth, kDesignHeight);

  model_ = new AlbumTableModel(engine_.Albums(), this);
  c_.albums->setModel(model_);
  for (int column = 0; column < kAlbumColumns; ++column) {
    c_.albums->setColumnWidth(column, AlbumColumnDesignWidth(column));
  }
  updates_ = new UpdateChecker([this](const UpdateVerdict& v) { ShowUpdateVerdict(v); }, this);
  retrieval_ = std::make_unique<RetrievalControl>(engine_, engine_.Values(), engine_.Albums(),
                                                  session_, RealPacers(setup.pace));
  worker_ = std::make_unique<WorkerControl>(engine_, engine_.Values(), engine_.Albums(), session_,
                                            RealPacers(setup.pace));
  Connect();
  engine_.SetView(this);
  // A sign-in of an earlier run is in the jar from the start.
  c_.viewer->Configure(NativeFolder(session_.programDirectory + "\\viewer-profile"),
                       ToQString(session_.site.siteHost));
  for (const QNetworkCookie& cookie : c_.viewer->SiteCookies()) PutViewerCookie(cookie);

  // 2.-4. The settings page has not been visited; the version we are.
  settingsPageVisits_ = 1;
  c_.version->setText(Utf8(kCurrentVersion));
  updateKeyWord_ = Utf8(kUpdateKeyWord);
  // 5. The save folder, or the program directory; nothing is written back.
  c_.saveFolder->setText(ToQString(SavedSaveFolder(session_)));
  usableSaveFolder_ = c_.saveFolder->text();
  if (!setup.addresses.isEmpty()) c_.addresses->setPlainText(setup.addresses);
  // 6. The rest waits until the window has painted once (paintEvent).
}

MainWindow::~MainWindow() {
  engine_.SetView(nullptr);
  // The checks use the session's jar, which may go with the window.
  delete updates_;
  updates_ = nullptr;
  // A run ends at its next safe point (a transfer under way is aborted), and
  // closes its album's record on the way out; then the threads are joined.
  worker_->EndNow();
  retrieval_->End();
  worker_.reset();
  retrieval_.reset();
}

void MainWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (startupScheduled_) return;
  startupScheduled_ = true;
  QTimer::singleShot(0, this, &MainWindow::FinishStartup);
}

void MainWindow::FinishStartup() {
  // 7. The duplicate switch is on exactly when the file says "1".
  c_.duplicateSwitch->setChecked(SavedDuplicateSwitch());
  // 8. The folder of the record stores.
  EnsureDuplicateStoreFolder(session_.programDirectory);
  startupFinished_ = true;
  emit startupFinished();
}

void MainWindow::Connect() {
  ViewValues& values = engine_.Values();
  connect(c_.toolbar, &QToolBar::actionTriggered, this, [this](QAction* action) {
    const auto found = std::find(c_.toolItems.begin(), c_.toolItems.end(), action);
    if (found != c_.toolItems.end()) ToolbarClicked(static_cast<int>(found - c_.toolItems.begin()));
  });
  connect(c_.tabs, &QTabWidget::currentChanged, this, &MainWindow::PageShown);

  connect(c_.chooseFolder, &QPushButton::clicked, this, &MainWindow::ChooseSaveFolder);
  connect(c_.openFolder, &QPushButton::clicked, this, &MainWindow::OpenSaveFolder);
  connect(c_.saveFolder, &QLineEdit::textChanged, this,
          [&values](const QString& text) { values.SetSaveFolder(ToText(text)); });
  // A typed folder the program cannot name is refused when the typing ends.
  connect(c_.saveFolder, &QLineEdit::editingFinished, this, [this] {
    if (c_.saveFolder->text() == usableSaveFolder_) return;
    if (UsableSaveFolder(c_.saveFolder->text())) {
      usableSaveFolder_ = c_.saveFolder->text();
    } else {
      c_.saveFolder->setText(usableSaveFolder_);
    }
  });

  connect(c_.fetchAlbums, &QPushButton::clicked, this, &MainWindow::FetchAlbums);
  connect(c_.download, &QPushButton::clicked, this, [this] { worker_->Start(); });
  connect(c_.pause, &QPushButton::clicked, this, [this] { worker_->Pause(); });
  connect(c_.resume, &QPushButton::clicked, this, [this] { worker_->Continue(); });
  connect(c_.end, &QPushButton::clicked, this, &MainWindow::AskEnd);

  // One-shot commands: each acts only when its box was just ticked.
  connect(c_.selectAll, &QCheckBox::clicked, this, [this](bool checked) {
    bool invert = c_.invert->isChecked();
    SelectAll(engine_.Albums(), checked, invert);
    c_.invert->setChecked(invert);
  });
  connect(c_.invert, &QCheckBox::clicked, this, [this](bool checked) {
    bool selectAll = c_.selectAll->isChecked();
    InvertSelection(engine_.Albums(), checked, selectAll);
    c_.selectAll->setChecked(selectAll);
  });

  // The engine reads the switches from the values; the file only carries the
  // duplicate switch from one run of the program to the next, and is written
  // when the user clicks, not when start-up sets the box.
  connect(c_.duplicateSwitch, &QCheckBox::toggled, this,
          [&values](bool on) { values.SetDuplicateSwitch(on); });
  connect(c_.duplicateSwitch, &QCheckBox::clicked, this, [](bool on) {
    WriteSetting(SettingsPath(), kSettingsSection, kDuplicateKey, on ? "1" : "0");
  });
  connect(c_.debugSwitch, &QCheckBox::toggled, this,
          [&values](bool on) { values.SetDebugSwitch(on); });

  connect(c_.checkUpdate, &QPushButton::clicked, this, &MainWindow::StartUpdateCheck);

  connect(c_.openPage, &QPushButton::clicked, this, [this] {
    PageShown(kPageLogin);
    c_.viewer->Load(QUrl::fromUserInput(c_.address->text()));
  });
  connect(c_.viewer, &WebViewer::addressChanged, this,
          [this](const QUrl& address) { c_.address->setText(address.toString()); });
  connect(c_.viewer, &WebViewer::siteCookieAdded, this, &MainWindow::PutViewerCookie);
  connect(c_.viewer, &WebViewer::siteCookieRemoved, this, &MainWindow::RemoveViewerCookie);
}

// The viewer's cookies go into the session's jar as they come and go, with
// their domains: the next request of every kind, board pages, album answers,
// search pages and pictures, carries a sign-in and stops carrying a signed-out
// cookie, also in the middle of a run.
void MainWindow::PutViewerCookie(const QNetworkCookie& cookie) {
  session_.cookies.Put(JarCookie(cookie, QUrl(ToQString(session_.site.siteHost))));
  emit viewerCookiesChanged();
}

void MainWindow::RemoveViewerCookie(const QNetworkCookie& cookie) {
  const Cookie gone = JarCookie(cookie, QUrl(ToQString(session_.site.siteHost)));
  session_.cookies.Remove(gone.name, gone.domain, gone.path);
  emit viewerCookiesChanged();
}

bool MainWindow::UsableSaveFolder(const QString& folder) {
  if (folder.isEmpty() || NameableFolder(QFile::encodeName(folder).toStdString())) return true;
  QMessageBox* box =
      OpenBox(this, QMessageBox::Warning, ToQString(kMessageTitle),
              Utf8("无法使用这个保存位置：\n") + folder +
                  Utf8("\n文件夹名里有代码页936无法表示的字符（或“\\”），程序无法保留这个名字，"
                       "请另选一个文件夹。"),
              QMessageBox::Ok);
  box->setObjectName(QStringLiteral("保存位置无法使用"));
  box->open();
  return false;
}

void MainWindow::ToolbarClicked(int index) {
  switch (index) {
    case kToolInput:
      c_.tabs->setCurrentIndex(kPageInput);
      return;
    case kToolFetch:
      c_.tabs->setCurrentIndex(kPageFetch);
      return;
    case kToolSettings:
      c_.tabs->setCurrentIndex(kPageSettings);
      // The background check runs once per run of the program, on the first
      // visit through the toolbar.
      if (settingsPageVisits_ == 1) {
        StartUpdateCheck();
        settingsPageVisits_ = 2;
      }
      return;
    case kToolFeedback:
      QDesktopServices::openUrl(QUrl(ToQString(session_.site.feedbackPage)));
      return;
    case kToolLogin:
      c_.tabs->setCurrentIndex(kPageLogin);
      PageShown(kPageLogin);
      c_.viewer->Load(QUrl(ToQString(session_.site.siteHost + "/login")));
      return;
    default:
      return;
  }
}

// The browser engine is started when the login page is first shown, so that
// start-up stays quick for everyone who never signs in.
void MainWindow::PageShown(int page) {
  if (page == kPageLogin) c_.viewer->EnsureCreated();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  c_.tabs->resize(std::max(0, width() - 30), c_.tabs->height());
  c_.viewer->resize(std::max(0, c_.tabs->width() - 10), c_.viewer->height());
}

// Closing ends a run the way the end button does, without asking: the run
// stops at its next safe point, and the destructor waits for it.
void MainWindow::closeEvent(QCloseEvent* event) {
  worker_->EndNow();
  retrieval_->End();
  event->accept();
}

void MainWindow::ChooseSaveFolder() {
  // The dialog opens at the root whatever the current folder; the answer is
  // taken when it comes, so the window thread never waits in the dialog.
  auto* dialog = new QFileDialog(this, Utf8("选择相册的存放位置"), QStringLiteral("/"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setWindowModality(Qt::WindowModal);
  connect(dialog, &QFileDialog::finished, this, [this, dialog](int result) {
    const QString chosen =
        result == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString();
    // A folder whose name the program cannot keep is refused with a message
    // that names it; the box and the file keep what they had.
    if (!UsableSaveFolder(chosen)) return;
    // Cancelling gives an empty answer, which puts the program directory in
    // the box and stores it.
    c_.saveFolder->setText(chosen);
    if (c_.saveFolder->text().isEmpty())
      c_.saveFolder->setText(ToQString(session_.programDirectory));
    usableSaveFolder_ = c_.saveFolder->text();
    WriteSetting(SettingsPath(), kSettingsSection, kSaveFolderKey, ToText(c_.saveFolder->text()));
  });
  dialog->open();
}

void MainWindow::OpenSaveFolder() {
  const QString text = c_.saveFolder->text();
  const Text folder = text.isEmpty() ? session_.programDirectory : ToText(text);
  QDesktopServices::openUrl(QUrl::fromLocalFile(NativeFolder(folder)));
}

void MainWindow::FetchAlbums() {
  // The lines of the box are separated by CR LF, as the retrieval splits them.
  QString input = c_.addresses->toPlainText();
  input.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  retrieval_->Start(ToText(input));
}

// The run is held while the question is open; the answer ends it or lets it
// go on as it was.
void MainWindow::AskEnd() {
  if (!worker_->HoldForEnd()) return;
  QMessageBox* box = OpenBox(this, QMessageBox::Warning, ToQString(kEndQuestionTitle),
                             ToQString(kEndQuestion), QMessageBox::Ok | QMessageBox::Cancel);
  box->setObjectName(QStringLiteral("结束下载询问"));
  connect(box, &QMessageBox::finished, this, [this, box] {
    worker_->AnswerEnd(box->standardButton(box->clickedButton()) == QMessageBox::Ok);
  });
  box->open();
}

void MainWindow::StartUpdateCheck() {
  updates_->Start(session_.site.versionPage, ToText(c_.version->text()), ToText(updateKeyWord_),
                  &session_.cookies);
}

void MainWindow::ShowUpdateVerdict(const UpdateVerdict& verdict) {
  c_.latestVersion->setText(ToQString(verdict.latest));
  if (verdict.result == UpdateVerdict::Result::kUpToDate) {
    c_.updateVerdict->setText(Utf8("无需更新"));
  } else if (verdict.result == UpdateVerdict::Result::kNewer) {
    c_.updateVerdict->setText(Utf8("有新版，联系客服获取最新版！"));
    QMessageBox* box = OpenBox(this, QMessageBox::Information, ToQString(kMessageTitle),
                               Utf8("发现新版本！请到官方网站下载最新版，或联系客服获取最新版。"),
                               QMessageBox::Ok);
    box->setObjectName(QStringLiteral("新版本提示"));
    box->open();
  }
  emit updateChecked();
}

// --- The engine's reports ---------------------------------------------------

// The caret goes to the end, the end is scrolled into view and the text goes
// in there; the user's own selection is not kept.
void MainWindow::ShowLog(const QString& text) {
  QTextCursor cursor = c_.log->textCursor();
  cursor.movePosition(QTextCursor::End);
  c_.log->setTextCursor(cursor);
  c_.log->insertPlainText(text);
  c_.log->ensureCursorVisible();
}

// The status line reads each caption of the retrieval in turn; the busy board
// covers the list while it is being filled. An empty address box sends the
// user back to it.
void MainWindow::ShowRetrieval(const RetrievalReport& report) {
  for (const Text& caption : RetrievalCaptions(report)) c_.status->setText(ToQString(caption));
  switch (report.stage) {
    case RetrievalReport::Stage::kNoInput:
      OpenBox(this, QMessageBox::Information, ToQString(kMessageTitle), ToQString(kNoInputMessage),
              QMessageBox::Ok)
          ->open();
      c_.tabs->setCurrentIndex(kPageInput);
      emit retrievalFinished();
      return;
    case RetrievalReport::Stage::kStarted:
      c_.albums->setColumnWidth(kColumnAlbumId, 120);
      c_.busyBoard->setVisible(true);
      c_.busyBoard->raise();
      return;
    case RetrievalReport::Stage::kFinished:
      c_.busyBoard->setVisible(false);
      emit retrievalFinished();
      return;
  }
}

// The run buttons show the run's state: idle offers a new run, running pause
// and end, paused continue and end. While an ended run leaves its thread the
// window looks idle, but a new run cannot start yet.
void MainWindow::ShowRunState(RunState state) {
  const bool idle = state == RunState::kIdle || state == RunState::kEnding;
  c_.download->setVisible(idle);
  c_.download->setEnabled(state == RunState::kIdle);
  c_.pause->setVisible(state == RunState::kRunning);
  c_.resume->setVisible(state == RunState::kPaused);
  c_.end->setVisible(state == RunState::kRunning || state == RunState::kPaused);
}

// The bar is 0 to 100 and draws a share beyond it full; the label says the
// share as it is.
void MainWindow::ShowProgress(const RunProgress& progress) {
  const RunCaptions captions = CaptionsFor(progress);
  c_.selectedCount->setText(ToQString(captions.selected));
  c_.albumInHand->setText(ToQString(captions.album));
  c_.pictureInHand->setText(ToQString(captions.picture));
  c_.percent->setText(ToQString(captions.percent));
  c_.bar->setValue(static_cast<int>(std::clamp(captions.share, 0LL, 100LL)));
}

// A run that went through to its finish says how it ended: the picture label
// and a message box, which nobody waits for.
void MainWindow::ShowRunFinished(const DownloadSummary& summary) {
  if (!summary.ended) {
    const FinishCaptions finish = FinishCaptionsFor(summary);
    c_.pictureInHand->setText(ToQString(finish.picture));
    QMessageBox* box =
        OpenBox(this, summary.AnythingFailed() ? QMessageBox::Warning : QMessageBox::Information,
                ToQString(finish.messageTitle), ToQString(finish.message), QMessageBox::Ok);
    box->setObjectName(QStringLiteral("下载结束提示"));
    box->open();
  }
  emit runFinished();
}

// Columns 3, 6 and 7 carry nothing: they are hidden whenever the list holds
// albums.
void MainWindow::ShowListChange(const AlbumListChange& change) {
  model_->Apply(change);
  if (change.kind == AlbumListChange::Kind::kRowAppended) {
    for (int column : {kColumnCover, kColumnQuestion, kColumnPassword})
      c_.albums->setColumnHidden(column, true);
  }
}

}  // namespace albumdl::app
