#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <string>
#include <vector>

#include "app/album_list_control.h"
#include "app/album_table_model.h"
#include "app/desktop_notice.h"
#include "app/look.h"
#include "app/qt_chinese.h"
#include "app/qt_text.h"
#include "app/settings_page.h"
#include "app/site_cookies.h"
#include "app/update_check.h"
#include "app/web_viewer.h"
#include "download/album_download.h"
#include "download/duplicate_store.h"
#include "download/worker_control.h"
#include "platform/files.h"
#include "retrieval/retrieval_control.h"
#include "session/session_setup.h"
#include "site/album_kinds.h"
#include "site/input_check.h"
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

// The folder itself when it exists, else the nearest folder above it that
// does, else the user's home.
QString ExistingFolderAtOrAbove(const QString& folder) {
  QString candidate = QDir::cleanPath(folder);
  while (!candidate.isEmpty() && candidate != QStringLiteral("/")) {
    if (QFileInfo(candidate).isDir()) return candidate;
    const QString parent = QFileInfo(candidate).path();
    if (parent == candidate) break;
    candidate = parent;
  }
  return QDir::homePath();
}

}  // namespace

MainWindow::MainWindow(const WindowSetup& setup)
    : ownSession_(setup.session ? nullptr : std::make_unique<Session>()),
      session_(setup.session ? *setup.session : *ownSession_) {
  if (ownSession_) session_.site = setup.site;
  // 1. The look and Qt's own words, before anything is drawn.
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    ApplyLook(*app, kStartupLook);
    SpeakChinese(*app);
  }

  setObjectName(QStringLiteral("窗口"));
  setWindowTitle(Utf8(kWindowTitle));
  c_ = BuildControls(this, ToQString(session_.site.siteHost));

  model_ = new AlbumTableModel(engine_.Albums(), this);
  listControl_ = new AlbumListControl(
      c_.albums, model_, engine_.Albums(),
      [this](const Album& album) { return AlbumFolderIfMade(album); }, this);

  // Where the window was, or the design's place; fitted to the screen when
  // it is shown.
  const WindowPlace saved = SavedWindowPlace();
  placeAtStart_.normal = saved.normal.isEmpty()
                             ? QRect(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight)
                             : saved.normal;
  placeAtStart_.maximized = saved.maximized;
  for (int column = 0; column < kAlbumColumns; ++column) {
    if (saved.columnWidths[column] > 0)
      listControl_->SetColumnWidth(column, saved.columnWidths[column]);
  }
  placeAtStart_.columnWidths = listControl_->ColumnWidths();
  setGeometry(placeAtStart_.normal);
  if (placeAtStart_.maximized) setWindowState(windowState() | Qt::WindowMaximized);

  settings_ = new SettingsPage(this, c_, engine_.Values(), session_.site);
  notice_ = new DesktopNotice(this);
  updates_ = new UpdateChecker([this](const UpdateVerdict& v) { ShowUpdateVerdict(v); }, this);
  retrieval_ = std::make_unique<RetrievalControl>(engine_, engine_.Values(), engine_.Albums(),
                                                  session_, RealPacers(setup.pace));
  worker_ = std::make_unique<WorkerControl>(engine_, engine_.Values(), engine_.Albums(), session_,
                                            RealPacers(setup.pace));
  Connect();
  ConnectKeys();
  engine_.SetView(this);
  // A sign-in of an earlier run is in the jar from the start.
  c_.viewer->Configure(NativeFolder(session_.programDirectory + "\\viewer-profile"),
                       ToQString(session_.site.siteHost));
  for (const QNetworkCookie& cookie : c_.viewer->SiteCookies()) PutViewerCookie(cookie);

  // 2.-4. The settings page has not been visited; the version we are.
  settingsPageVisits_ = 1;
  c_.version->setText(Utf8(kCurrentVersion));
  updateKeyWord_ = Utf8(kUpdateKeyWord);
  // 5. The save folder, or the default one; nothing is written back.
  c_.saveFolder->setText(ToQString(SavedSaveFolder(ToText(DefaultSaveFolder()))));
  usableSaveFolder_ = c_.saveFolder->text();
  if (!setup.addresses.isEmpty()) c_.addresses->setPlainText(setup.addresses);
  UpdateActions();
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

QString MainWindow::DefaultSaveFolder() const {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (!pictures.isEmpty()) {
    const QString folder = QDir(pictures).filePath(QStringLiteral("albumdl"));
    if (NameableFolder(QFile::encodeName(folder).toStdString())) return folder;
  }
  return ToQString(session_.programDirectory);
}

void MainWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (startupScheduled_) return;
  startupScheduled_ = true;
  QTimer::singleShot(0, this, &MainWindow::FinishStartup);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (fitted_) return;
  fitted_ = true;
  FitOnScreen();
}

// The window as a whole (its frame too, once the desktop has framed it) within
// the part of the screen windows may take, never smaller than what shows
// every control whole.
void MainWindow::FitOnScreen() {
  if (isMaximized() || isFullScreen() || screen() == nullptr) return;
  const QSize frame = frameGeometry().size() - geometry().size();
  const QRect wanted(frameGeometry().topLeft(), geometry().size() + frame);
  const QRect fitted = FitToScreen(wanted, screen()->availableGeometry(),
                                   minimumSizeHint().expandedTo(minimumSize()) + frame);
  if (fitted == wanted) return;
  resize(fitted.size() - frame);
  move(fitted.topLeft());
}

void MainWindow::FinishStartup() {
  // 7. The switches as the settings file has them (the duplicate switch is on
  // exactly when the file says "1").
  settings_->Load();
  // 8. The folder of the record stores.
  EnsureDuplicateStoreFolder(session_.programDirectory);
  // The keyboard starts where the work starts.
  PageShown(c_.tabs->currentIndex());
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
  connect(c_.stopFetch, &QPushButton::clicked, this, &MainWindow::StopFetch);
  connect(c_.download, &QPushButton::clicked, this, &MainWindow::StartDownload);
  connect(c_.pause, &QPushButton::clicked, this, [this] { worker_->Pause(); });
  connect(c_.resume, &QPushButton::clicked, this, [this] { worker_->Continue(); });
  connect(c_.end, &QPushButton::clicked, this, &MainWindow::AskEnd);
  // The run buttons take each other's place: a press on the newcomer that
  // follows a press on the one before as quickly as a double click is the
  // second half of that double click, and goes nowhere.
  for (QPushButton* button : {c_.download, c_.pause, c_.resume}) button->installEventFilter(this);

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
  connect(listControl_, &AlbumListControl::openFolderRequested, this,
          [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
  connect(listControl_, &AlbumListControl::openPageRequested, this, &MainWindow::OpenAlbumPage);

  connect(settings_, &SettingsPage::siteChosen, this, [this](const Site& site) {
    pendingSite_ = site;
    sitePending_ = true;
    if (!retrieving_ && runState_ == RunState::kIdle && !retrieval_->Running()) TakePendingSite();
  });
  connect(c_.checkUpdate, &QPushButton::clicked, this, &MainWindow::StartUpdateCheck);

  connect(c_.openPage, &QPushButton::clicked, this, [this] {
    PageShown(kPageLogin);
    c_.viewer->Load(QUrl::fromUserInput(c_.address->text()));
  });
  connect(c_.address, &QLineEdit::returnPressed, c_.openPage, &QPushButton::click);
  connect(c_.viewer, &WebViewer::addressChanged, this,
          [this](const QUrl& address) { c_.address->setText(address.toString()); });
  connect(c_.viewer, &WebViewer::siteCookieAdded, this, &MainWindow::PutViewerCookie);
  connect(c_.viewer, &WebViewer::siteCookieRemoved, this, &MainWindow::RemoveViewerCookie);
}

void MainWindow::ConnectKeys() {
  connect(c_.fetchKey, &QAction::triggered, this, [this] {
    c_.tabs->setCurrentIndex(kPageFetch);
    FetchAlbums();
  });
  connect(c_.stopFetchKey, &QAction::triggered, this, &MainWindow::StopFetch);
  connect(c_.downloadKey, &QAction::triggered, this, [this] {
    c_.tabs->setCurrentIndex(kPageFetch);
    StartDownload();
  });
  connect(c_.pauseKey, &QAction::triggered, this, &MainWindow::PauseOrContinue);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
    const bool secondHalf = lastRunPress_ != nullptr && lastRunPress_ != watched &&
                            runPress_.isValid() &&
                            runPress_.elapsed() < QApplication::doubleClickInterval();
    if (secondHalf) return true;
    lastRunPress_ = watched;
    runPress_.restart();
  }
  return QWidget::eventFilter(watched, event);
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

// The box holds the folder as the program names it ("\" or "/" between
// names): usable when code page 936 holds its name and the folder it names
// comes back unchanged.
bool MainWindow::UsableSaveFolder(const QString& folder) {
  const Text named = ToText(folder);
  if (folder.isEmpty() ||
      (ToQString(named) == folder && NameableFolder(platform::NativePathOf(named).str())))
    return true;
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
// start-up stays quick for everyone who never signs in. The keyboard goes to
// where the work of the page starts.
void MainWindow::PageShown(int page) {
  switch (page) {
    case kPageInput:
      c_.addresses->setFocus();
      return;
    case kPageFetch:
      if (model_->rowCount() > 0) {
        c_.albums->setFocus();
        if (!c_.albums->currentIndex().isValid())
          c_.albums->setCurrentIndex(c_.albums->model()->index(0, 0));
      } else if (c_.fetchAlbums->isEnabled() && c_.fetchAlbums->isVisible()) {
        c_.fetchAlbums->setFocus();
      }
      return;
    case kPageSettings:
      c_.duplicateSwitch->setFocus();
      return;
    case kPageLogin:
      c_.viewer->EnsureCreated();
      c_.address->setFocus();
      return;
    default:
      return;
  }
}

void MainWindow::ComeForward() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

// Closing ends a run the way the end button does, without asking: the run
// stops at its next safe point, and the destructor waits for it. Where the
// window was goes to the settings file for the next start.
void MainWindow::closeEvent(QCloseEvent* event) {
  KeepWindowPlace(CurrentPlace(), placeAtStart_);
  worker_->EndNow();
  retrieval_->End();
  event->accept();
}

WindowPlace MainWindow::CurrentPlace() const {
  WindowPlace place;
  place.maximized = isMaximized();
  place.normal = place.maximized || isFullScreen() ? normalGeometry() : geometry();
  place.columnWidths = listControl_->ColumnWidths();
  return place;
}

void MainWindow::ChooseSaveFolder() {
  // The dialog opens at the folder in the box (or the nearest one above it
  // that exists); the answer is taken when it comes, so the window thread
  // never waits in the dialog.
  const QString current =
      c_.saveFolder->text().isEmpty() ? DefaultSaveFolder() : c_.saveFolder->text();
  auto* dialog =
      new QFileDialog(this, Utf8("选择相册的存放位置"), ExistingFolderAtOrAbove(current));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setWindowModality(Qt::WindowModal);
  connect(dialog, &QFileDialog::finished, this, [this, dialog](int result) {
    // Cancel changes nothing: the box and the file keep what they had.
    if (result != QDialog::Accepted) return;
    const QString chosen = dialog->selectedFiles().value(0);
    if (chosen.isEmpty()) return;
    // A folder whose name the program cannot keep is refused with a message
    // that names it; the box and the file keep what they had.
    if (!UsableSaveFolder(chosen)) return;
    c_.saveFolder->setText(chosen);
    usableSaveFolder_ = chosen;
    WriteSetting(SettingsPath(), kSettingsSection, kSaveFolderKey, ToText(chosen));
  });
  dialog->open();
}

void MainWindow::OpenSaveFolder() {
  const QString text = c_.saveFolder->text();
  // The default folder may not be made yet: opening it makes it.
  const QString folder = text.isEmpty() ? DefaultSaveFolder() : NativeFolder(ToText(text));
  if (folder == DefaultSaveFolder()) QDir().mkpath(folder);
  QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

QString MainWindow::AlbumFolderIfMade(const Album& album) const {
  const Text folder = AlbumFolder(ToText(c_.saveFolder->text()), session_.programDirectory, album);
  if (folder.empty()) return {};
  const QString native = NativeFolder(folder);
  return QFileInfo(native).isDir() ? QDir::cleanPath(native) : QString();
}

void MainWindow::OpenAlbumPage(int row) {
  const Album* album = model_->AlbumAt(row);
  if (album == nullptr) return;
  const AlbumKind* kind = FindAlbumKind(album->kind);
  if (kind == nullptr) return;
  c_.tabs->setCurrentIndex(kPageLogin);
  c_.viewer->EnsureCreated();
  c_.viewer->Load(QUrl::fromUserInput(ToQString(kind->PageAddress(*album, session_.site))));
}

void MainWindow::TakePendingSite() {
  if (!sitePending_) return;
  sitePending_ = false;
  session_.site = pendingSite_;
  const QString siteHost = ToQString(session_.site.siteHost);
  c_.instructions->setText(Instructions(siteHost));
  c_.viewer->Configure(NativeFolder(session_.programDirectory + "\\viewer-profile"), siteHost);
  for (const QNetworkCookie& cookie : c_.viewer->SiteCookies()) PutViewerCookie(cookie);
}

// Every line the retrieval would leave out without a word of its own is named
// in the log first, as the command line names it; a line the program could
// not read as typed goes to the retrieval as an empty line, so that line
// numbers stay as the user sees them.
void MainWindow::FetchAlbums() {
  if (retrieving_ || runState_ != RunState::kIdle) return;
  TakePendingSite();
  const QStringList typed = c_.addresses->toPlainText().split(QLatin1Char('\n'));
  std::vector<std::string> lines;
  lines.reserve(typed.size());
  for (const QString& line : typed) lines.push_back(line.toStdString());
  const CheckedInput checked = CheckInput(lines, session_.site);
  for (const LeftOutLine& left : checked.leftOut) {
    if (const auto caption = LeftOutCaption(left, ToText(typed[static_cast<int>(left.index)])))
      engine_.Tell(LogLine{*caption});
  }
  if (!retrieval_->Start(checked.text)) return;
  retrieving_ = true;
  UpdateActions();
}

void MainWindow::StopFetch() {
  if (retrieving_) retrieval_->End();
}

void MainWindow::StartDownload() {
  if (retrieving_ || runState_ != RunState::kIdle) return;
  // With no folder named, the default one.
  if (c_.saveFolder->text().trimmed().isEmpty()) c_.saveFolder->setText(DefaultSaveFolder());
  const QString folder = c_.saveFolder->text();
  if (folder != usableSaveFolder_) {
    if (!UsableSaveFolder(folder)) {
      c_.saveFolder->setText(usableSaveFolder_);
      return;
    }
    usableSaveFolder_ = folder;
  }
  // A folder typed into the box is kept for the next start, as a chosen one is.
  const Text saved = SavedSaveFolder(Text());
  if (ToText(folder) != saved && !(saved.empty() && folder == DefaultSaveFolder()))
    WriteSetting(SettingsPath(), kSettingsSection, kSaveFolderKey, ToText(folder));
  TakePendingSite();
  worker_->Start();
}

void MainWindow::PauseOrContinue() {
  if (runState_ == RunState::kRunning) {
    worker_->Pause();
  } else if (runState_ == RunState::kPaused) {
    worker_->Continue();
  }
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

// The run buttons show the run's state: idle offers a new run, running pause
// and end, paused continue and end. While an ended run leaves its thread the
// window looks idle, but a new run cannot start yet. A fetch and a run
// exclude each other.
void MainWindow::UpdateActions() {
  QWidget* focused = QApplication::focusWidget();
  const bool idle = runState_ == RunState::kIdle || runState_ == RunState::kEnding;
  const bool canFetch = !retrieving_ && runState_ == RunState::kIdle;
  const bool canDownload = !retrieving_ && runState_ == RunState::kIdle;
  // The newcomer is shown before the one it replaces goes, so the keyboard
  // stays on the button row.
  c_.stopFetch->setVisible(retrieving_);
  c_.fetchAlbums->setVisible(!retrieving_);
  c_.fetchAlbums->setEnabled(canFetch);
  c_.pause->setVisible(runState_ == RunState::kRunning);
  c_.resume->setVisible(runState_ == RunState::kPaused);
  c_.end->setVisible(runState_ == RunState::kRunning || runState_ == RunState::kPaused);
  c_.download->setVisible(idle);
  c_.download->setEnabled(canDownload);
  c_.fetchKey->setEnabled(canFetch);
  c_.stopFetchKey->setEnabled(retrieving_);
  c_.downloadKey->setEnabled(canDownload);
  c_.pauseKey->setEnabled(runState_ == RunState::kRunning || runState_ == RunState::kPaused);
  // A button that went away with the keyboard on it hands it to the one in
  // its place.
  if (focused == nullptr || (!focused->isHidden() && focused->isEnabled())) return;
  std::vector<QPushButton*> places;
  if (focused == c_.fetchAlbums || focused == c_.stopFetch) {
    places = {c_.stopFetch, c_.fetchAlbums};
  } else if (focused == c_.download || focused == c_.pause || focused == c_.resume) {
    places = {c_.pause, c_.resume, c_.download};
  }
  for (QPushButton* place : places) {
    if (!place->isHidden() && place->isEnabled()) {
      place->setFocus();
      return;
    }
  }
}

void MainWindow::StartUpdateCheck() {
  // The label says that a check is going; a check that changes nothing gives
  // back what it said before.
  if (updates_->Pending() == 0) {
    verdictBefore_ = c_.updateVerdict->text();
    verdictNewer_ = c_.updateVerdict->property("newer").toBool();
  }
  SetVerdict(Utf8("正在检测…"), false);
  updates_->Start(session_.site.versionPage, ToText(c_.version->text()), ToText(updateKeyWord_),
                  &session_.cookies);
}

// Only a newer version stands out; every other verdict is a plain caption.
void MainWindow::SetVerdict(const QString& text, bool newer) {
  c_.updateVerdict->setText(text);
  if (c_.updateVerdict->property("newer").toBool() == newer) return;
  c_.updateVerdict->setProperty("newer", newer);
  c_.updateVerdict->style()->unpolish(c_.updateVerdict);
  c_.updateVerdict->style()->polish(c_.updateVerdict);
}

void MainWindow::ShowUpdateVerdict(const UpdateVerdict& verdict) {
  c_.latestVersion->setText(ToQString(verdict.latest));
  switch (verdict.result) {
    case UpdateVerdict::Result::kUpToDate:
      SetVerdict(Utf8("无需更新"), false);
      break;
    case UpdateVerdict::Result::kNewer: {
      SetVerdict(Utf8("有新版，联系客服获取最新版！"), true);
      QMessageBox* box = OpenBox(this, QMessageBox::Information, ToQString(kMessageTitle),
                                 Utf8("发现新版本！请到官方网站下载最新版，或联系客服获取最新版。"),
                                 QMessageBox::Ok);
      box->setObjectName(QStringLiteral("新版本提示"));
      box->open();
      break;
    }
    case UpdateVerdict::Result::kFailed:
      SetVerdict(Utf8("检测失败：") + ToQString(verdict.failure), false);
      break;
    case UpdateVerdict::Result::kLeave:
      if (updates_->Pending() == 0) SetVerdict(verdictBefore_, verdictNewer_);
      break;
  }
  if (verdict.result != UpdateVerdict::Result::kLeave) {
    verdictBefore_ = c_.updateVerdict->text();
    verdictNewer_ = verdict.result == UpdateVerdict::Result::kNewer;
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
      retrieving_ = false;
      UpdateActions();
      OpenBox(this, QMessageBox::Information, ToQString(kMessageTitle), ToQString(kNoInputMessage),
              QMessageBox::Ok)
          ->open();
      c_.tabs->setCurrentIndex(kPageInput);
      emit retrievalFinished();
      return;
    case RetrievalReport::Stage::kStarted:
      // The id column is made wide enough for search ids, unless the user
      // has given it a width of their own.
      if (c_.albums->columnWidth(kColumnAlbumId) == AlbumColumnDesignWidth(kColumnAlbumId))
        listControl_->SetColumnWidth(kColumnAlbumId, 120);
      c_.busyBoard->setVisible(true);
      c_.busyBoard->raise();
      return;
    case RetrievalReport::Stage::kFinished: {
      c_.busyBoard->setVisible(false);
      retrieving_ = false;
      UpdateActions();
      QWidget* focused = QApplication::focusWidget();
      if (c_.tabs->currentIndex() == kPageFetch && model_->rowCount() > 0 &&
          (focused == nullptr || focused == c_.fetchAlbums || !focused->isVisible()))
        PageShown(kPageFetch);
      emit retrievalFinished();
      return;
    }
  }
}

void MainWindow::ShowRunState(RunState state) {
  runState_ = state;
  UpdateActions();
  UpdateTitle();
}

// The whole run's progress is in the title while a run is going, so it is
// seen in the task bar with the window behind others.
void MainWindow::UpdateTitle() {
  const bool going = runState_ == RunState::kRunning || runState_ == RunState::kPaused;
  const Text glance =
      going ? RunGlanceCaption(lastProgress_, runState_ == RunState::kPaused) : Text();
  setWindowTitle(glance.empty() ? Utf8(kWindowTitle)
                                : ToQString(glance) + QStringLiteral(" - ") + Utf8(kWindowTitle));
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
  lastProgress_ = progress;
  UpdateTitle();
}

// A run that went through to its finish says how it ended: the picture label
// and a message box, which nobody waits for. With the window behind others or
// minimized, the desktop is told too.
void MainWindow::ShowRunFinished(const DownloadSummary& summary) {
  QString title = ToQString(kMessageTitle);
  QString message = ToQString(kRunEndedMessage);
  if (!summary.ended) {
    const FinishCaptions finish = FinishCaptionsFor(summary);
    c_.pictureInHand->setText(ToQString(finish.picture));
    title = ToQString(finish.messageTitle);
    message = ToQString(finish.message);
    QMessageBox* box =
        OpenBox(this, summary.AnythingFailed() ? QMessageBox::Warning : QMessageBox::Information,
                title, message, QMessageBox::Ok);
    box->setObjectName(QStringLiteral("下载结束提示"));
    box->open();
  }
  if (!isActiveWindow() || isMinimized()) {
    notice_->Show(Utf8(kWindowTitle), message);
    QApplication::alert(this);
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
