// The window, driven as a user drives it, against the stand-in site on
// loopback: the real MainWindow, its real controls found by their names, the
// real engine and the real web viewer (under a virtual display).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <atomic>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>

#include "app/album_list_control.h"
#include "app/desktop_notice.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/single_window.h"
#include "app/web_viewer.h"
#include "app/window_place.h"
#include "demo_data.h"
#include "demo_site.h"
#include "download/duplicate_store.h"
#include "platform/files.h"
#include "platform/program_directory.h"
#include "support/stand_in_site.h"
#include "support/temp_dir.h"
#include "text/settings.h"
#include "views/captions.h"

namespace albumdl::app {
namespace {

namespace fs = std::filesystem;
using albumdl::testing::TempDir;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Waits while the window thread goes on with its events.
bool WaitFor(const std::function<bool()>& ready, int timeoutMs = 15000) {
  return QTest::qWaitFor(ready, timeoutMs);
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramDirectory(home_.Path());
    // The user's pictures folder (the default save folder) lies in the test's
    // own folder, never in the real home.
    qputenv("HOME", QByteArray::fromStdString(home_.Native()));
    qunsetenv("XDG_CONFIG_HOME");
    site_.KeepRequests();
    ASSERT_TRUE(site_.Start());
  }

  void TearDown() override {
    window_.reset();
    site_.Stop();
  }

  MainWindow& Open(double pace = 0) {
    WindowSetup setup;
    setup.site = albumdl::testing::StandInSite(site_);
    setup.pace = pace;
    window_ = std::make_unique<MainWindow>(setup);
    window_->show();
    EXPECT_TRUE(WaitFor([this] { return window_->StartupFinished(); }));
    return *window_;
  }

  template <typename T>
  T* Find(const char* name) {
    T* found = window_->findChild<T*>(U(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  QAction* Tool(int index) {
    return window_->findChild<QToolBar*>(U("工具条1"))->actions().at(index);
  }

  QString Caption(const char* labelName) { return Find<QLabel>(labelName)->text(); }

  QString Board(const char* id) const {
    return QString::fromStdString(site_.SiteHost()) + "/boards/" + id + "/";
  }

  // Types the addresses, presses 1：获取相册 and waits until the list is in.
  void Retrieve(const QStringList& lines) {
    bool finished = false;
    auto connection = QObject::connect(window_.get(), &MainWindow::retrievalFinished,
                                       [&finished] { finished = true; });
    Find<QPlainTextEdit>("编辑框_号码")->setPlainText(lines.join('\n'));
    Find<QPushButton>("按钮_获取相册封面")->click();
    EXPECT_TRUE(WaitFor([&finished] { return finished; }, 30000));
    QObject::disconnect(connection);
  }

  QTableView* List() { return Find<QTableView>("超级列表框1"); }
  int Rows() { return List()->model()->rowCount(); }
  bool Ticked(int row) {
    return List()->model()->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
  }
  QString Cell(int row, int column) {
    return List()->model()->index(row, column).data().toString();
  }
  QString Log() { return Find<QPlainTextEdit>("编辑框_操作记录")->toPlainText(); }
  // Shown as the program set it, whichever page is in front.
  bool Shown(const char* name) { return !Find<QWidget>(name)->isHidden(); }

  QMessageBox* Box(const QString& text) {
    for (QMessageBox* box : window_->findChildren<QMessageBox*>())
      if (box->isVisible() && box->text() == text) return box;
    return nullptr;
  }
  int OpenBoxes() {
    int open = 0;
    for (QMessageBox* box : window_->findChildren<QMessageBox*>()) open += box->isVisible();
    return open;
  }
  void Answer(QMessageBox* box, QMessageBox::StandardButton button) {
    box->button(button)->click();
    QTest::qWait(50);
  }

  int Requests(const std::string& pathPrefix) {
    int count = 0;
    for (const auto& request : site_.Requests()) count += request.target.rfind(pathPrefix, 0) == 0;
    return count;
  }

  std::string SaveFolderNative() {
    return platform::NativePathOf(ToText(Find<QLineEdit>("编辑框_保存位置")->text())).str();
  }

  TempDir home_;
  demosite::DemoSite site_;
  std::unique_ptr<MainWindow> window_;
};

// Stands in for the desktop: records what the window asks it to open.
class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  OpenedUrls() {
    for (const char* scheme : {"file", "http"})
      QDesktopServices::setUrlHandler(U(scheme), this, "Open");
  }
  ~OpenedUrls() override {
    for (const char* scheme : {"file", "http"}) QDesktopServices::unsetUrlHandler(U(scheme));
  }
  std::vector<QUrl> urls;

 public slots:
  void Open(const QUrl& url) { urls.push_back(url); }
};

// Every picture file of an album folder, by name.
std::set<std::string> FilesIn(const fs::path& folder) {
  std::set<std::string> files;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(folder, error))
    if (entry.is_regular_file()) files.insert(entry.path().filename().string());
  return files;
}

std::set<std::string> RecordedIds(const std::string& storeFile) {
  std::set<std::string> ids;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(storeFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT photo_id FROM photos", -1, &select, nullptr);
    while (select && sqlite3_step(select) == SQLITE_ROW)
      ids.insert(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
    sqlite3_finalize(select);
  }
  sqlite3_close(db);
  return ids;
}

// With no save folder set, pictures go to a folder of the program's in the
// user's pictures folder, not to the program directory (a hidden data folder).
TEST_F(WindowTest, FirstStartShowsThePicturesFolderAndWritesNoSettingsFile) {
  MainWindow& window = Open();
  const QString pictures = QString::fromStdString(home_.NativeFile("Pictures/albumdl"));
  EXPECT_EQ(window.DefaultSaveFolder(), pictures);
  EXPECT_EQ(Find<QLineEdit>("编辑框_保存位置")->text(), pictures);
  EXPECT_FALSE(Find<QCheckBox>("选择框_下载记录")->isChecked());
  EXPECT_FALSE(window.Engine().Values().DuplicateSwitch());
  EXPECT_EQ(ToQString(window.Engine().Values().SaveFolder()), pictures);
  EXPECT_EQ(Caption("标签_banben"), U("3.0"));
  EXPECT_EQ(window.SettingsPageVisits(), 1);
  EXPECT_FALSE(fs::exists(home_.NativeFile("peizi.ini")));
  EXPECT_TRUE(fs::is_directory(home_.NativeFile("防止重复下载数据库")));
  // The viewer's engine is not started until the login page is shown.
  EXPECT_FALSE(Find<WebViewer>("超文本浏览框1")->Created());

  EXPECT_TRUE(Shown("按钮_下载选中"));
  for (const char* hidden :
       {"按钮_暂停线程", "按钮_继续下载", "按钮_结束下载", "画板1", "选择框_时间段", "标签12",
        "日期框_开始时间", "标签4", "日期框_结束时间", "选择框_调试"})
    EXPECT_TRUE(Find<QWidget>(hidden)->isHidden()) << hidden;
  QTabWidget* tabs = Find<QTabWidget>("选择夹1");
  EXPECT_EQ(tabs->tabText(0), U("  第一步：画板网址  "));
  EXPECT_EQ(tabs->tabText(1), U("  第二步：获取相册    "));
  EXPECT_EQ(tabs->tabText(3), U("登录"));
  QToolBar* toolbar = Find<QToolBar>("工具条1");
  ASSERT_EQ(toolbar->actions().size(), 9);
  EXPECT_EQ(Tool(0)->text(), U("一：输入网址"));
  EXPECT_EQ(Tool(2)->text(), U("二：获取与下载"));
  EXPECT_EQ(Tool(6)->text(), U("问题反馈"));
  EXPECT_EQ(Tool(8)->text(), U("登录"));
  for (int separator : {1, 3, 5, 7}) EXPECT_TRUE(Tool(separator)->isSeparator());
}

TEST_F(WindowTest, StoredSettingsFillTheControlsAndOnlyOneCountsAsOn) {
  const Text settings = SettingsPath();
  WriteSetting(settings, kSettingsSection, kSaveFolderKey, home_.File(ToText(U("相册"))));
  WriteSetting(settings, kSettingsSection, kDuplicateKey, "1");
  {
    MainWindow& window = Open();
    EXPECT_EQ(Find<QLineEdit>("编辑框_保存位置")->text(), ToQString(home_.File(ToText(U("相册")))));
    EXPECT_TRUE(Find<QCheckBox>("选择框_下载记录")->isChecked());
    EXPECT_TRUE(window.Engine().Values().DuplicateSwitch());
  }
  WriteSetting(settings, kSettingsSection, kDuplicateKey, "true");
  Open();
  EXPECT_FALSE(Find<QCheckBox>("选择框_下载记录")->isChecked());
  // Start-up wrote nothing back.
  EXPECT_EQ(ReadSetting(settings, kSettingsSection, kDuplicateKey), "true");
}

TEST_F(WindowTest, DuplicateSwitchIsWrittenAtOnceAndFollowedByTheEngine) {
  MainWindow& window = Open();
  QCheckBox* box = Find<QCheckBox>("选择框_下载记录");
  box->click();
  EXPECT_EQ(ReadSetting(SettingsPath(), kSettingsSection, kDuplicateKey), "1");
  EXPECT_TRUE(window.Engine().Values().DuplicateSwitch());
  box->click();
  EXPECT_EQ(ReadSetting(SettingsPath(), kSettingsSection, kDuplicateKey), "0");
  EXPECT_FALSE(window.Engine().Values().DuplicateSwitch());

  // What the user types as the save folder is what the engine reads.
  Find<QLineEdit>("编辑框_保存位置")->setText(U("/tmp/相册"));
  EXPECT_EQ(ToQString(window.Engine().Values().SaveFolder()), U("/tmp/相册"));
}

// The dialog opens at the folder in the box (or the nearest one above it that
// exists); Cancel changes neither the box nor the settings file.
TEST_F(WindowTest, FolderDialogOpensAtTheCurrentFolderAndCancelChangesNothing) {
  MainWindow& window = Open();
  QLineEdit* box = Find<QLineEdit>("编辑框_保存位置");
  const std::string albums = home_.NativeFile("albums");
  fs::create_directories(albums);
  const auto openDialog = [&] {
    Find<QPushButton>("按钮_选择位置")->click();
    QFileDialog* dialog = nullptr;
    EXPECT_TRUE(WaitFor([&] {
      for (QFileDialog* d : window.findChildren<QFileDialog*>())
        if (d->isVisible()) dialog = d;
      return dialog != nullptr;
    }));
    return dialog;
  };

  // The default folder is not made yet: the dialog opens above it.
  QFileDialog* dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), U("选择相册的存放位置"));
  EXPECT_EQ(dialog->directory().absolutePath(), QString::fromStdString(home_.Native()));
  dialog->setDirectory(QString::fromStdString(albums));
  static_cast<QDialog*>(dialog)->accept();  // as its Choose button does
  ASSERT_TRUE(WaitFor([&] { return box->text() == QString::fromStdString(albums); }));
  EXPECT_EQ(ReadSetting(SettingsPath(), kSettingsSection, kSaveFolderKey), ToText(box->text()));
  EXPECT_EQ(window.Engine().Values().SaveFolder(), ToText(box->text()));
  ASSERT_TRUE(WaitFor([&] { return window.findChildren<QFileDialog*>().isEmpty(); }));

  dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->directory().absolutePath(), QString::fromStdString(albums));
  dialog->setDirectory(QString::fromStdString(home_.Native()));
  dialog->reject();
  ASSERT_TRUE(WaitFor([&] { return window.findChildren<QFileDialog*>().isEmpty(); }));
  EXPECT_EQ(box->text(), QString::fromStdString(albums));
  EXPECT_EQ(ReadSetting(SettingsPath(), kSettingsSection, kSaveFolderKey), ToText(box->text()));
  EXPECT_EQ(window.Engine().Values().SaveFolder(), ToText(box->text()));
}

// A folder whose name code page 936 cannot hold would be another folder
// inside the program ("表情😀" would become "表情?"): the window refuses it,
// chosen or typed, names it in a message box, and keeps what it had.
TEST_F(WindowTest, SaveFolderTheProgramCannotNameIsRefusedWithAMessageThatNamesIt) {
  MainWindow& window = Open();
  QLineEdit* box = Find<QLineEdit>("编辑框_保存位置");
  const QString before = box->text();
  const std::string emoji = home_.NativeFile("表情😀");
  fs::create_directories(emoji);

  Find<QPushButton>("按钮_选择位置")->click();
  QFileDialog* dialog = window.findChild<QFileDialog*>();
  ASSERT_NE(dialog, nullptr);
  dialog->setDirectory(QString::fromStdString(emoji));
  static_cast<QDialog*>(dialog)->accept();
  QMessageBox* refusal = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    refusal = window.findChild<QMessageBox*>(U("保存位置无法使用"));
    return refusal != nullptr && refusal->isVisible();
  }));
  EXPECT_TRUE(refusal->text().contains(QString::fromStdString(emoji)))
      << qPrintable(refusal->text());
  EXPECT_EQ(box->text(), before);
  EXPECT_EQ(ReadSetting(SettingsPath(), kSettingsSection, kSaveFolderKey), "");
  EXPECT_EQ(window.Engine().Values().SaveFolder(), ToText(before));
  refusal->accept();
  ASSERT_TRUE(WaitFor([&] { return window.findChild<QMessageBox*>() == nullptr; }));

  // Typed into the box: refused when the typing ends, and the box goes back.
  box->setText(QString::fromStdString(emoji));
  emit box->editingFinished();
  ASSERT_TRUE(WaitFor([&] { return window.findChild<QMessageBox*>(U("保存位置无法使用")); }));
  EXPECT_EQ(box->text(), before);
  EXPECT_EQ(window.Engine().Values().SaveFolder(), ToText(before));

  // A name the code page holds is taken as it is.
  box->setText(U("/tmp/相册"));
  emit box->editingFinished();
  EXPECT_EQ(box->text(), U("/tmp/相册"));
}

TEST_F(WindowTest, OpenFolderAndFeedbackGoToTheDesktop) {
  Open();
  OpenedUrls opened;
  // An empty box opens the default folder, made for the purpose.
  Find<QLineEdit>("编辑框_保存位置")->clear();
  Find<QPushButton>("按钮_打开目录")->click();
  const int page = Find<QTabWidget>("选择夹1")->currentIndex();
  Tool(6)->trigger();
  ASSERT_EQ(opened.urls.size(), 2u);
  const std::string pictures = home_.NativeFile("Pictures/albumdl");
  EXPECT_EQ(opened.urls[0], QUrl::fromLocalFile(QString::fromStdString(pictures)));
  EXPECT_TRUE(fs::is_directory(pictures));
  EXPECT_EQ(opened.urls[1].toString(), QString::fromStdString(site_.SiteHost() + "/feedback"));
  EXPECT_EQ(Find<QTabWidget>("选择夹1")->currentIndex(), page);
}

// Every visible control of a page lies whole inside its parent and is not
// squeezed below what its text needs.
void ExpectNothingClipped(QWidget* page) {
  for (QWidget* widget : page->findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(page) || widget->parentWidget() == nullptr) continue;
    if (qobject_cast<QAbstractButton*>(widget) == nullptr &&
        qobject_cast<QLabel*>(widget) == nullptr && qobject_cast<QLineEdit*>(widget) == nullptr &&
        qobject_cast<QProgressBar*>(widget) == nullptr)
      continue;
    if (widget->objectName().isEmpty()) continue;  // the parts of Qt's own widgets
    const QRect inside = widget->parentWidget()->rect();
    EXPECT_TRUE(inside.contains(widget->geometry())) << qPrintable(widget->objectName());
    if (qobject_cast<QAbstractButton*>(widget) != nullptr) {
      EXPECT_GE(widget->width(), widget->minimumSizeHint().width())
          << qPrintable(widget->objectName());
    }
  }
}

TEST_F(WindowTest, LayoutsGiveTheRoomToTheListTheLogAndTheAddressBox) {
  MainWindow& window = Open();
  QTabWidget* tabs = Find<QTabWidget>("选择夹1");
  window.showNormal();
  window.resize(kDesignWidth, kDesignHeight);
  QTest::qWait(50);
  const QSize addresses = Find<QWidget>("编辑框_号码")->size();
  tabs->setCurrentIndex(kPageFetch);
  QTest::qWait(50);
  const QSize list = List()->size();
  const QSize log = Find<QWidget>("编辑框_操作记录")->size();

  // Far too small: the window keeps the size at which nothing is cut off.
  window.resize(500, 400);
  QTest::qWait(50);
  EXPECT_GT(window.width(), 500);
  EXPECT_GT(window.height(), 400);
  for (int page = 0; page < tabs->count(); ++page) {
    tabs->setCurrentIndex(page);
    QTest::qWait(20);
    ExpectNothingClipped(tabs->widget(page));
  }
  // That size fits a 1366 x 768 screen at 125 % (1092 x 614 points, less a
  // task bar and the window's frame) and a 1280-wide one at 150 %.
  EXPECT_LE(window.minimumSize().width(), 1280 / 1.5);
  EXPECT_LE(window.minimumSize().height(), 614 - 40 - 30);

  // Larger: the list, the log and the address box take the room.
  window.resize(1600, 1000);
  QTest::qWait(50);
  tabs->setCurrentIndex(kPageFetch);
  QTest::qWait(20);
  EXPECT_GT(List()->width(), list.width() + 300);
  EXPECT_GT(List()->height(), list.height() + 250);
  EXPECT_GT(Find<QWidget>("编辑框_操作记录")->width(), log.width() + 150);
  EXPECT_GT(Find<QWidget>("编辑框_操作记录")->height(), log.height() + 250);
  ExpectNothingClipped(tabs->widget(kPageFetch));
  tabs->setCurrentIndex(kPageInput);
  QTest::qWait(20);
  EXPECT_GT(Find<QWidget>("编辑框_号码")->height(), addresses.height() + 250);
  EXPECT_GT(Find<QWidget>("编辑框_号码")->width(), addresses.width() + 500);
}

TEST_F(WindowTest, SettingsToolbarItemStartsTheBackgroundCheckOnlyOnce) {
  MainWindow& window = Open();
  site_.ClearRequests();
  QTabWidget* tabs = Find<QTabWidget>("选择夹1");
  Tool(4)->trigger();
  EXPECT_EQ(tabs->currentIndex(), 2);
  ASSERT_TRUE(WaitFor([this] { return Caption("标签_banbenjieguo") == U("无需更新"); }));
  EXPECT_EQ(Caption("标签_zxbanben"), U("3.0"));
  EXPECT_EQ(window.SettingsPageVisits(), 2);

  Tool(0)->trigger();
  Tool(4)->trigger();
  tabs->tabBar()->setCurrentIndex(0);
  tabs->tabBar()->setCurrentIndex(2);
  QTest::qWait(500);
  EXPECT_EQ(Requests("/version"), 1);

  // The button always checks.
  Find<QPushButton>("按钮_检测更新")->click();
  EXPECT_TRUE(WaitFor([this] { return Requests("/version") == 2; }));
}

TEST_F(WindowTest, UpdateVerdictsCompareWholeVersionNumbers) {
  Open();
  bool checked = false;
  QObject::connect(window_.get(), &MainWindow::updateChecked, [&checked] { checked = true; });
  const auto check = [&](const std::string& entry) {
    site_.SetVersionText("#albumdl@@9.9#albumdl\n#other@@7.0#other\n" + entry + "\n");
    checked = false;
    Find<QPushButton>("按钮_检测更新")->click();
    // The label says that a check is going until its verdict comes.
    EXPECT_EQ(Caption("标签_banbenjieguo"), U("正在检测…"));
    EXPECT_TRUE(WaitFor([&checked] { return checked; }));
  };
  // Only a new version stands out; every other verdict is a plain caption.
  const auto alarm = [this] {
    return Find<QLabel>("标签_banbenjieguo")->property("newer").toBool();
  };

  check("#zelvani@@4.0#zelvani");
  EXPECT_EQ(Caption("标签_zxbanben"), U("4.0"));
  EXPECT_EQ(Caption("标签_banbenjieguo"), U("有新版，联系客服获取最新版！"));
  EXPECT_TRUE(alarm());
  EXPECT_EQ(OpenBoxes(), 1);
  for (QMessageBox* box : window_->findChildren<QMessageBox*>()) Answer(box, QMessageBox::Ok);

  // Newer only after the point: the verdict is left as it was.
  check("#zelvani@@3.9#zelvani");
  EXPECT_EQ(Caption("标签_zxbanben"), U("3.9"));
  EXPECT_EQ(Caption("标签_banbenjieguo"), U("有新版，联系客服获取最新版！"));
  EXPECT_EQ(OpenBoxes(), 0);

  check("#zelvani@@v5.0#zelvani");
  EXPECT_EQ(Caption("标签_zxbanben"), U("v5.0"));
  EXPECT_EQ(Caption("标签_banbenjieguo"), U("有新版，联系客服获取最新版！"));
  EXPECT_EQ(OpenBoxes(), 0);

  check("#zelvani@@3.0#zelvani");
  EXPECT_EQ(Caption("标签_banbenjieguo"), U("无需更新"));
  EXPECT_FALSE(alarm());

  // No entry of ours: the check failed, and says so.
  check("");
  EXPECT_EQ(Caption("标签_zxbanben"), QString());
  EXPECT_EQ(Caption("标签_banbenjieguo"), U("检测失败：版本页面上没有本程序的版本"));
  EXPECT_FALSE(alarm());
  EXPECT_EQ(OpenBoxes(), 0);

  // A version page far larger than a few lines is given up unread, as any
  // other answer over its limit is.
  demosite::Fault huge;
  huge.kind = demosite::Fault::Kind::kHuge;
  huge.hugeMegabytes = 2;
  site_.SetFault("/version", huge);
  check("#zelvani@@9.0#zelvani");
  EXPECT_EQ(Caption("标签_zxbanben"), QString());
  EXPECT_TRUE(Caption("标签_banbenjieguo").startsWith(U("检测失败：")))
      << qPrintable(Caption("标签_banbenjieguo"));
  EXPECT_EQ(OpenBoxes(), 0);

  // An error status fails the check too, with the status.
  demosite::Fault missing;
  missing.kind = demosite::Fault::Kind::kStatus;
  missing.status = 404;
  site_.SetFault("/version", missing);
  check("#zelvani@@9.0#zelvani");
  EXPECT_EQ(Caption("标签_banbenjieguo"), U("检测失败：HTTP 404"));
  EXPECT_FALSE(alarm());
  site_.ClearFaults();
}

TEST_F(WindowTest, RetrievalFillsTheListWhileTheWindowKeepsResponding) {
  Open();
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 400;
  site_.SetFault("/boards/", slow);

  int ticks = 0;
  bool boardSeen = false;
  QTimer timer;
  timer.setInterval(10);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++ticks;
    boardSeen = boardSeen || Shown("画板1");
  });
  timer.start();
  QElapsedTimer clock;
  clock.start();
  Retrieve({Board(demosite::kSpringBoardId), "", Board(demosite::kEmptyBoardId),
            Board(demosite::kFlowersBoardId),
            QString::fromStdString(site_.SiteHost()) + "/search/?q=cat"});
  const qint64 elapsed = clock.elapsed();
  timer.stop();

  // Three slow answers took over a second; the timer kept firing through
  // them (a window blocked in the requests would have let it fire once).
  EXPECT_GE(elapsed, 1200);
  EXPECT_GE(ticks, elapsed / 10 / 4);
  EXPECT_TRUE(boardSeen);
  EXPECT_FALSE(Shown("画板1"));

  ASSERT_EQ(Rows(), 4);
  EXPECT_EQ(Cell(0, 1), U("1"));
  EXPECT_EQ(Cell(0, 5), U(demosite::kSpringBoardId));
  EXPECT_EQ(Cell(1, 4), U("0"));
  EXPECT_EQ(Cell(2, 4), U("12"));
  EXPECT_EQ(Cell(3, 5), U("关键词_cat"));
  EXPECT_TRUE(Ticked(0));
  EXPECT_FALSE(Ticked(1));  // an empty album is listed, not ticked
  EXPECT_TRUE(Ticked(3));
  for (int hidden : {3, 6, 7}) EXPECT_TRUE(List()->isColumnHidden(hidden)) << hidden;
  EXPECT_EQ(List()->columnWidth(5), 120);
  EXPECT_EQ(Caption("标签_动态"), U("温馨提示：相册列表获取完毕,共计4个"));
  EXPECT_TRUE(Log().startsWith(U("正努力获取相册列表，耐心等待哈！\n\n")));
  EXPECT_TRUE(Log().endsWith(U("-----获取完毕,共计4个\n\n")));
}

TEST_F(WindowTest, AnEmptyAddressBoxAsksForAddresses) {
  Open();
  Tool(2)->trigger();
  Find<QPushButton>("按钮_获取相册封面")->click();
  ASSERT_TRUE(WaitFor([this] { return Box(U("请输入网址")) != nullptr; }));
  EXPECT_EQ(Box(U("请输入网址"))->windowTitle(), U("信息："));
  // Qt's own words are Chinese too, whatever the system's locale.
  EXPECT_EQ(Box(U("请输入网址"))->button(QMessageBox::Ok)->text(), U("确定"));
  EXPECT_EQ(Find<QTabWidget>("选择夹1")->currentIndex(), 0);
  EXPECT_EQ(Log(), QString());
}

TEST_F(WindowTest, SelectAllAndInvertAreOneShotCommands) {
  MainWindow& window = Open();
  Retrieve({Board(demosite::kSpringBoardId), Board(demosite::kTravelBoardId),
            Board(demosite::kFlowersBoardId)});
  ASSERT_EQ(Rows(), 3);
  // The user unticks the first and the last row in the list.
  List()->model()->setData(List()->model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
  List()->model()->setData(List()->model()->index(2, 0), Qt::Unchecked, Qt::CheckStateRole);
  ASSERT_TRUE(WaitFor([this] { return !Ticked(0) && !Ticked(2); }));
  EXPECT_FALSE(window.Engine().Albums().IsChecked(0));

  QCheckBox* all = Find<QCheckBox>("选择框_全选");
  QCheckBox* invert = Find<QCheckBox>("选择框_反选");
  invert->click();
  ASSERT_TRUE(WaitFor([this] { return Ticked(0) && !Ticked(1) && Ticked(2); }));
  invert->click();  // unticking the box changes no row
  QTest::qWait(50);
  EXPECT_FALSE(invert->isChecked());
  EXPECT_TRUE(Ticked(0) && !Ticked(1) && Ticked(2));

  invert->click();
  all->click();
  EXPECT_FALSE(invert->isChecked());
  ASSERT_TRUE(WaitFor([this] { return Ticked(0) && Ticked(1) && Ticked(2); }));
  EXPECT_TRUE(window.Engine().Albums().IsChecked(1));
  all->click();
  QTest::qWait(50);
  EXPECT_TRUE(Ticked(0) && Ticked(1) && Ticked(2));
}

TEST_F(WindowTest, RunShowsItsButtonsCaptionsBarAndLog) {
  Open();
  Retrieve({Board(demosite::kSpringBoardId), Board(demosite::kFlowersBoardId)});
  Find<QLineEdit>("编辑框_保存位置")->setText(ToQString(home_.File("saved")));
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 60;
  site_.SetFault("/img/", slow);

  bool finished = false;
  QObject::connect(window_.get(), &MainWindow::runFinished, [&finished] { finished = true; });
  // The whole run's progress is in the title while it runs: album 2 of 2
  // at a share beyond one half.
  QStringList titles;
  QObject::connect(window_.get(), &QWidget::windowTitleChanged,
                   [&titles](const QString& title) { titles << title; });
  Find<QPushButton>("按钮_下载选中")->click();
  ASSERT_TRUE(WaitFor([this] { return Shown("按钮_暂停线程"); }));
  EXPECT_FALSE(Shown("按钮_下载选中"));
  EXPECT_FALSE(Shown("按钮_继续下载"));
  EXPECT_TRUE(Shown("按钮_结束下载"));
  // Fetching is off while the run goes, by button and by key.
  EXPECT_FALSE(Find<QPushButton>("按钮_获取相册封面")->isEnabled());
  EXPECT_FALSE(window_->findChild<QAction*>(U("键_获取相册"))->isEnabled());
  ASSERT_TRUE(WaitFor([&finished] { return finished; }, 30000));
  QTest::qWait(50);
  EXPECT_TRUE(Find<QPushButton>("按钮_获取相册封面")->isEnabled());
  EXPECT_EQ(window_->windowTitle(), U(kWindowTitle));
  bool secondAlbum = false;
  for (const QString& title : titles) {
    if (!title.contains(U("第2/2个相册"))) continue;
    secondAlbum = true;
    const int share = title.section(QLatin1Char('%'), 0, 0).toInt();
    EXPECT_GE(share, 50) << qPrintable(title);
    EXPECT_TRUE(title.endsWith(U(kWindowTitle))) << qPrintable(title);
  }
  EXPECT_TRUE(secondAlbum) << qPrintable(titles.join(QLatin1Char('\n')));

  EXPECT_TRUE(Shown("按钮_下载选中"));
  EXPECT_TRUE(Find<QPushButton>("按钮_下载选中")->isEnabled());
  EXPECT_FALSE(Shown("按钮_暂停线程") || Shown("按钮_继续下载") || Shown("按钮_结束下载"));
  EXPECT_EQ(Caption("标签_选择了相册数量"), U("总共需下载[2]个相册"));
  EXPECT_EQ(Caption("标签_正在下载相册"), U("下载到第[2]个相册"));
  EXPECT_EQ(Caption("标签_第多少张照片"), U("下载完成"));
  EXPECT_EQ(Find<QProgressBar>("进度条1")->value(), 100);
  EXPECT_EQ(Caption("标签_进度条比例"), U("100%"));
  EXPECT_TRUE(Log().contains(U("当前被选择相册编号:1、2、\n\n")));
  EXPECT_TRUE(Log().endsWith(U("-------全部下载完毕--------\n\n")));
  QMessageBox* done = Box(U("全部下载完毕"));
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(done->windowTitle(), U("信息："));
  EXPECT_EQ(FilesIn(SaveFolderNative()).size(), 6u + 12u);
}

// What failed is said as it failed: an album whose answer never came right is
// named in the log and listed unticked; a run in which a picture failed ends
// with a label, a box and a last log line that say so.
TEST_F(WindowTest, AFailedAlbumAndAFailedPictureAreToldAsTheyAre) {
  Open();
  Retrieve({Board(demosite::kSpringBoardId), Board("no-such-board")});
  ASSERT_EQ(Rows(), 2);
  EXPECT_TRUE(Log().contains(U("第2行的相册获取失败：") + Board("no-such-board") + "\n"));
  EXPECT_TRUE(Log().contains(U("原因：网站上没有了（HTTP 404）\n")));
  EXPECT_FALSE(Ticked(1));
  EXPECT_EQ(Cell(1, 4), U("获取失败"));
  EXPECT_EQ(List()->model()->index(1, 4).data(Qt::ToolTipRole).toString(),
            U("网站上没有了（HTTP 404）"));

  Find<QLineEdit>("编辑框_保存位置")->setText(ToQString(home_.File("saved")));
  demosite::Fault missing;
  missing.status = 404;
  site_.SetFault("/img/", missing);
  bool finished = false;
  QObject::connect(window_.get(), &MainWindow::runFinished, [&finished] { finished = true; });
  Find<QPushButton>("按钮_下载选中")->click();
  ASSERT_TRUE(WaitFor([&finished] { return finished; }, 30000));
  QTest::qWait(50);

  EXPECT_TRUE(Log().contains(U("当前被选择相册编号:1、\n\n"))) << "the failed album is not listed";
  EXPECT_TRUE(Log().endsWith(U("-------下载结束，6个图片、1个相册没有下载成功--------\n\n")));
  EXPECT_FALSE(Log().contains(U("全部下载完毕")));
  EXPECT_EQ(Caption("标签_第多少张照片"), U("下载结束，有失败"));
  QMessageBox* box = Box(U("下载结束，但有6个图片、1个相册没有下载成功，详见操作日志"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->windowTitle(), U("信息："));
  EXPECT_EQ(box->icon(), QMessageBox::Warning);
}

// A screen reader hears what a label says: its caption is its accessible
// name, and what the caption is about is its description. Buttons, check
// boxes and group boxes are heard by their captions too.
TEST_F(WindowTest, EveryCaptionIsWhatTheAccessibilityInterfaceReads) {
  Open();
  Retrieve({Board(demosite::kTravelBoardId)});
  site_.SetVersionText("#zelvani@@3.0#zelvani\n");
  bool checked = false;
  QObject::connect(window_.get(), &MainWindow::updateChecked, [&checked] { checked = true; });
  Find<QPushButton>("按钮_检测更新")->click();
  ASSERT_TRUE(WaitFor([&checked] { return checked; }));

  const auto name = [](QObject* object) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible ? accessible->text(QAccessible::Name) : QString(U("(none)"));
  };
  int labels = 0;
  for (QLabel* label : window_->findChildren<QLabel*>()) {
    if (label->text().isEmpty()) continue;
    SCOPED_TRACE(label->objectName().toStdString() + ": " + label->text().toStdString());
    EXPECT_EQ(name(label), label->text());
    ++labels;
  }
  EXPECT_GE(labels, 10);
  for (const char* information :
       {"标签_banben", "标签_zxbanben", "标签_banbenjieguo", "标签_动态"}) {
    SCOPED_TRACE(information);
    QLabel* label = Find<QLabel>(information);
    ASSERT_FALSE(label->text().isEmpty());
    EXPECT_EQ(name(label), label->text());
    EXPECT_FALSE(
        QAccessible::queryAccessibleInterface(label)->text(QAccessible::Description).isEmpty());
  }
  EXPECT_EQ(name(Find<QLabel>("标签_banben")), U("3.0"));
  EXPECT_EQ(name(Find<QLabel>("标签_动态")), U("温馨提示：相册列表获取完毕,共计1个"));
  for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
    if (button->text().isEmpty()) continue;
    SCOPED_TRACE(button->objectName().toStdString());
    EXPECT_EQ(name(button), QString(button->text()).remove(QLatin1Char('&')));
  }
}

TEST_F(WindowTest, PauseContinueAndEndWithTheQuestionAnswered) {
  Open();
  Retrieve({Board(demosite::kBigBoardId)});
  Find<QLineEdit>("编辑框_保存位置")->setText(ToQString(home_.File("saved")));
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 40;
  site_.SetFault("/img/", slow);
  const auto picture = [this] { return Caption("标签_第多少张照片"); };

  // A double click on the download button: the second press lands on the
  // pause button that took its place, and goes nowhere.
  QTest::mouseClick(Find<QPushButton>("按钮_下载选中"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([this] { return Shown("按钮_暂停线程"); }));
  QTest::mouseClick(Find<QPushButton>("按钮_暂停线程"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return picture().contains(U("[3]")); }));
  EXPECT_TRUE(Shown("按钮_暂停线程"));
  EXPECT_FALSE(Log().contains(U("执行了暂停下载功能")));
  QTest::qWait(QApplication::doubleClickInterval());

  Find<QPushButton>("按钮_暂停线程")->click();
  ASSERT_TRUE(WaitFor([this] { return Shown("按钮_继续下载"); }));
  EXPECT_FALSE(Shown("按钮_暂停线程"));
  EXPECT_TRUE(Shown("按钮_结束下载"));
  EXPECT_TRUE(Log().contains(U("执行了暂停下载功能\n")));
  QTest::qWait(300);  // a transfer under way completes
  const QString held = picture();
  QTest::qWait(500);
  EXPECT_EQ(picture(), held);

  Find<QPushButton>("按钮_继续下载")->click();
  ASSERT_TRUE(WaitFor([&] { return picture() != held; }));
  EXPECT_TRUE(Log().contains(U("执行了暂停下载功能\n执行了继续下载功能\n")));

  // End, answered Cancel: the run goes on and nothing is logged.
  Find<QPushButton>("按钮_结束下载")->click();
  QMessageBox* question = Box(ToQString(kEndQuestion));
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(question->windowTitle(), U("警告！"));
  Answer(question, QMessageBox::Cancel);
  const QString afterCancel = picture();
  ASSERT_TRUE(WaitFor([&] { return picture() != afterCancel; }));
  EXPECT_TRUE(Shown("按钮_暂停线程"));
  EXPECT_FALSE(Log().contains(U("执行了结束下载")));

  // End, answered OK: the run stops and the buttons are back.
  bool finished = false;
  QObject::connect(window_.get(), &MainWindow::runFinished, [&finished] { finished = true; });
  Find<QPushButton>("按钮_结束下载")->click();
  question = Box(ToQString(kEndQuestion));
  ASSERT_NE(question, nullptr);
  Answer(question, QMessageBox::Ok);
  ASSERT_TRUE(WaitFor([&finished] { return finished; }));
  QTest::qWait(50);
  EXPECT_TRUE(Shown("按钮_下载选中"));
  EXPECT_TRUE(Find<QPushButton>("按钮_下载选中")->isEnabled());
  EXPECT_FALSE(Shown("按钮_暂停线程") || Shown("按钮_继续下载") || Shown("按钮_结束下载"));
  EXPECT_TRUE(Log().endsWith(U("执行了结束下载\n")));
  EXPECT_FALSE(Log().contains(U("全部下载完毕")));
  EXPECT_EQ(Box(U("全部下载完毕")), nullptr);
}

TEST_F(WindowTest, ClosingDuringARunLeavesNoPartialFileAndNoRecordWithoutItsFile) {
  Open();
  Retrieve({Board(demosite::kBigBoardId)});
  Find<QLineEdit>("编辑框_保存位置")->setText(ToQString(home_.File("saved")));
  // Slow pictures: the close comes while one is on its way.
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 150;
  site_.SetFault("/img/", slow);
  Find<QPushButton>("按钮_下载选中")->click();
  ASSERT_TRUE(WaitFor([this] { return Caption("标签_第多少张照片").contains(U("[4]")); }));
  QTest::qWait(70);

  const std::string saved = SaveFolderNative();
  window_->close();
  window_.reset();  // joins the run's thread

  const std::set<std::string> files = FilesIn(saved);
  ASSERT_FALSE(files.empty());
  for (const std::string& file : files) EXPECT_EQ(file.find(".part"), std::string::npos) << file;
  const std::set<std::string> ids = RecordedIds(
      platform::NativePathOf(DuplicateStore::RecordFile(home_.Path(), demosite::kBigBoardId))
          .str());
  EXPECT_EQ(ids.size(), files.size());
  for (const std::string& id : ids) {
    bool found = false;
    for (const std::string& file : files)
      found = found || file.find("_" + id + ".") != std::string::npos;
    EXPECT_TRUE(found) << "record " << id << " has no file";
  }
}

// The settings page's lanes reach the run: with 4 pictures fetched at once
// (each lane over a connection of its own) the window saves the same files,
// records the same ids and logs the same lines as with one.
TEST_F(WindowTest, FourLanesSaveRecordAndLogWhatOneLaneDoes) {
  Open();
  Retrieve({Board(demosite::kTravelBoardId), Board(demosite::kFlowersBoardId)});
  Find<QCheckBox>("选择框_下载记录")->click();
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 40;
  site_.SetFault("/img/", slow);
  const auto storeFile = [this](const char* board) {
    return platform::NativePathOf(DuplicateStore::RecordFile(home_.Path(), board)).str();
  };
  struct Outcome {
    std::set<std::string> files, travelIds, flowerIds;
    QString log;
    size_t connections = 0;
  };
  const auto run = [&](int lanes) {
    Find<QSpinBox>("数值框_同时下载数")->setValue(lanes);
    const Text folder = home_.File("saved-" + std::to_string(lanes));
    Find<QLineEdit>("编辑框_保存位置")->setText(ToQString(folder));
    site_.ClearRequests();
    const qsizetype logBefore = Log().size();
    bool finished = false;
    auto connection =
        QObject::connect(window_.get(), &MainWindow::runFinished, [&finished] { finished = true; });
    Find<QPushButton>("按钮_下载选中")->click();
    EXPECT_TRUE(WaitFor([&finished] { return finished; }, 60000));
    QObject::disconnect(connection);
    QTest::qWait(50);
    if (QMessageBox* done = Box(U("全部下载完毕"))) Answer(done, QMessageBox::Ok);
    Outcome outcome;
    outcome.files = FilesIn(platform::NativePathOf(folder).str());
    outcome.travelIds = RecordedIds(storeFile(demosite::kTravelBoardId));
    outcome.flowerIds = RecordedIds(storeFile(demosite::kFlowersBoardId));
    outcome.log = Log().mid(logBefore);
    std::set<int> ports;
    for (const auto& request : site_.Requests())
      if (request.target.rfind("/img/", 0) == 0) ports.insert(request.remotePort);
    outcome.connections = ports.size();
    // The next run starts from empty stores, as this one did.
    for (const char* board : {demosite::kTravelBoardId, demosite::kFlowersBoardId}) {
      std::error_code ignored;
      for (const char* end : {"", "-wal", "-shm"}) fs::remove(storeFile(board) + end, ignored);
    }
    return outcome;
  };

  const Outcome one = run(1);
  const Outcome four = run(4);
  EXPECT_EQ(one.connections, 1u);
  EXPECT_GT(four.connections, 1u);
  EXPECT_LE(four.connections, 4u);
  EXPECT_EQ(one.files.size(), 20u + 12u);
  EXPECT_EQ(four.files, one.files);
  EXPECT_EQ(one.travelIds.size(), 20u);
  EXPECT_EQ(four.travelIds, one.travelIds);
  EXPECT_EQ(four.flowerIds, one.flowerIds);
  EXPECT_TRUE(one.log.endsWith(U("-------全部下载完毕--------\n\n"))) << qPrintable(one.log);
  EXPECT_EQ(four.log, one.log);
}

TEST_F(WindowTest, LogKeepsEveryAppendInOrder) {
  MainWindow& window = Open();
  const int kLines = 5000;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    // This file's literals are UTF-8; the engine speaks code page 936.
    for (int i = 0; i < kLines; ++i) window.Engine().Tell(LogLine{ToText(U("第%1行\r\n").arg(i))});
    done = true;
  });
  // The window thread shows what has come so far while the writer goes on.
  WaitFor([&done] { return done.load(); });
  writer.join();
  QString expected;
  for (int i = 0; i < kLines; ++i) expected += U("第") + QString::number(i) + U("行\n");
  ASSERT_TRUE(WaitFor([&] { return Log().size() >= expected.size(); }));
  EXPECT_EQ(Log(), expected);
}

// The keyboard alone: focus starts in the address box, Tab leaves the boxes
// and the list, Space ticks the selected rows from any column, Enter presses
// the focused button, and the keys of the tool tips do what they say.
TEST_F(WindowTest, TheKeyboardReachesEverything) {
  MainWindow& window = Open();
  auto* addresses = Find<QPlainTextEdit>("编辑框_号码");
  EXPECT_EQ(window.focusWidget(), addresses);
  addresses->setPlainText(Board(demosite::kSpringBoardId) + "\n" + Board(demosite::kTravelBoardId) +
                          "\n" + Board(demosite::kFlowersBoardId));
  QTest::keyClick(addresses, Qt::Key_Tab);
  EXPECT_NE(window.focusWidget(), addresses);
  EXPECT_FALSE(addresses->toPlainText().contains(QLatin1Char('\t')));

  // The keys, as the tool tips name them.
  QAction* fetchKey = window.findChild<QAction*>(U("键_获取相册"));
  ASSERT_NE(fetchKey, nullptr);
  EXPECT_EQ(fetchKey->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_TRUE(Find<QPushButton>("按钮_获取相册封面")->toolTip().contains(U("F5")));
  EXPECT_TRUE(Find<QPushButton>("按钮_下载选中")->toolTip().contains(U("F6")));
  EXPECT_TRUE(Find<QPushButton>("按钮_暂停线程")->toolTip().contains(U("F7")));
  for (int item : {0, 2, 4, 6, 8}) {
    EXPECT_FALSE(Tool(item)->shortcut().isEmpty()) << item;
    EXPECT_TRUE(
        Tool(item)->toolTip().contains(Tool(item)->shortcut().toString(QKeySequence::NativeText)))
        << item;
  }
  // The page keys are real shortcuts of the window (they reach it when it is active).
  window.activateWindow();
  if (QTest::qWaitForWindowActive(&window, 3000)) {
    QTest::keyClick(&window, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(Find<QTabWidget>("选择夹1")->currentIndex(), kPageSettings);
  }

  bool finished = false;
  QObject::connect(window_.get(), &MainWindow::retrievalFinished, [&finished] { finished = true; });
  fetchKey->trigger();
  ASSERT_TRUE(WaitFor([&finished] { return finished; }, 30000));
  EXPECT_EQ(Find<QTabWidget>("选择夹1")->currentIndex(), kPageFetch);
  ASSERT_EQ(Rows(), 3);
  // With rows, the keyboard is on the list.
  QTableView* list = List();
  EXPECT_EQ(window.focusWidget(), list);

  // Rows 1 to 3 selected with Shift+Down from the title column; Space unticks
  // them all, and ticks them all again.
  list->setCurrentIndex(list->model()->index(0, kColumnTitle));
  QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(window.AlbumActions().SelectedRows(), (std::vector<int>{0, 1, 2}));
  QTest::keyClick(list, Qt::Key_Space);
  ASSERT_TRUE(WaitFor([this] { return !Ticked(0) && !Ticked(1) && !Ticked(2); }));
  QTest::keyClick(list, Qt::Key_Space);
  ASSERT_TRUE(WaitFor([this] { return Ticked(0) && Ticked(1) && Ticked(2); }));

  // Tab leaves the list.
  QTest::keyClick(list, Qt::Key_Tab);
  EXPECT_NE(window.focusWidget(), list);
  EXPECT_EQ(list->currentIndex().column(), kColumnTitle);

  // Enter presses the button that has the keyboard.
  OpenedUrls opened;
  QPushButton* openFolder = Find<QPushButton>("按钮_打开目录");
  openFolder->setFocus();
  QTest::keyClick(openFolder, Qt::Key_Return);
  EXPECT_EQ(opened.urls.size(), 1u);
}

// A fetch and a download never run together; a fetch can be stopped.
TEST_F(WindowTest, AFetchBlocksTheDownloadAndCanBeStopped) {
  MainWindow& window = Open();
  demosite::Fault slow;
  slow.kind = demosite::Fault::Kind::kDelay;
  slow.delayMs = 300;
  site_.SetFault("/boards/", slow);
  bool finished = false;
  QObject::connect(window_.get(), &MainWindow::retrievalFinished, [&finished] { finished = true; });
  QStringList lines;
  for (int i = 0; i < 8; ++i) lines << Board(demosite::kSpringBoardId);
  Find<QPlainTextEdit>("编辑框_号码")->setPlainText(lines.join('\n'));
  Find<QPushButton>("按钮_获取相册封面")->click();
  ASSERT_TRUE(WaitFor([this] { return Rows() >= 1; }));
  EXPECT_FALSE(Find<QPushButton>("按钮_下载选中")->isEnabled());
  EXPECT_FALSE(window.findChild<QAction*>(U("键_下载选中"))->isEnabled());
  EXPECT_TRUE(Shown("按钮_停止获取"));
  EXPECT_FALSE(Shown("按钮_获取相册封面"));
  // The download key does nothing while the fetch goes.
  window.findChild<QAction*>(U("键_下载选中"))->trigger();
  EXPECT_FALSE(Shown("按钮_暂停线程"));

  Find<QPushButton>("按钮_停止获取")->click();
  ASSERT_TRUE(WaitFor([&finished] { return finished; }));
  EXPECT_LT(Rows(), 8);
  EXPECT_TRUE(Shown("按钮_获取相册封面"));
  EXPECT_FALSE(Shown("按钮_停止获取"));
  EXPECT_TRUE(Find<QPushButton>("按钮_下载选中")->isEnabled());
}

// The list: sorting by a header, a context menu on the selection, a double
// click that opens a downloaded album's folder, and ticks kept when the list
// is fetched again.
TEST_F(WindowTest, TheListSortsOffersAMenuOpensFoldersAndKeepsTicks) {
  MainWindow& window = Open();
  const QStringList boards = {Board(demosite::kSpringBoardId), Board(demosite::kFlowersBoardId),
                              Board(demosite::kTravelBoardId)};
  Retrieve(boards);
  ASSERT_EQ(Rows(), 3);
  QTableView* list = List();

  // Sorted by the picture count, largest first: the rows on the screen
  // change, the list's own order does not.
  list->sortByColumn(kColumnCount, Qt::DescendingOrder);
  EXPECT_EQ(Cell(0, kColumnAlbumId), U(demosite::kTravelBoardId));
  EXPECT_GE(Cell(0, kColumnCount).toInt(), Cell(1, kColumnCount).toInt());
  EXPECT_GE(Cell(1, kColumnCount).toInt(), Cell(2, kColumnCount).toInt());
  EXPECT_EQ(ToQString(window.Engine().Albums().Rows()[0].id), U(demosite::kSpringBoardId));

  // The menu unticks the selection: the album on screen row 0, whatever row
  // of the list it is.
  list->selectRow(0);
  emit list->customContextMenuRequested(list->visualRect(list->model()->index(0, 2)).center());
  QMenu* menu = window.AlbumActions().Menu();
  ASSERT_NE(menu, nullptr);
  QAction* open = menu->findChild<QAction*>(U("菜单_打开相册文件夹"));
  ASSERT_NE(open, nullptr);
  EXPECT_FALSE(open->isEnabled());  // not downloaded yet
  EXPECT_TRUE(menu->findChild<QAction*>(U("菜单_打开相册网页"))->isEnabled());
  menu->findChild<QAction*>(U("菜单_取消勾选"))->trigger();
  menu->close();
  ASSERT_TRUE(WaitFor([&] { return !window.Engine().Albums().IsChecked(2); }));
  EXPECT_TRUE(window.Engine().Albums().IsChecked(0));
  EXPECT_TRUE(window.Engine().Albums().IsChecked(1));

  // Fetched again: the unticked album stays unticked, and the log says so.
  Retrieve(boards);
  ASSERT_EQ(Rows(), 3);
  EXPECT_TRUE(window.Engine().Albums().IsChecked(0));
  EXPECT_FALSE(window.Engine().Albums().IsChecked(2));
  EXPECT_TRUE(Log().contains(U("1个相册保留了上次列表中的勾选")));

  // Downloaded, the first album's folder opens on a double click.
  Find<QLineEdit>("编辑框_保存位置")->setText(ToQString(home_.File("saved")));
  bool finished = false;
  QObject::connect(window_.get(), &MainWindow::runFinished, [&finished] { finished = true; });
  Find<QPushButton>("按钮_下载选中")->click();
  ASSERT_TRUE(WaitFor([&finished] { return finished; }, 30000));
  for (QMessageBox* box : window.findChildren<QMessageBox*>()) box->close();
  OpenedUrls opened;
  int springRow = -1;
  for (int row = 0; row < Rows(); ++row)
    if (Cell(row, kColumnAlbumId) == U(demosite::kSpringBoardId)) springRow = row;
  ASSERT_GE(springRow, 0);
  emit list->doubleClicked(list->model()->index(springRow, kColumnTitle));
  ASSERT_EQ(opened.urls.size(), 1u);
  const QString folder = opened.urls[0].toLocalFile();
  EXPECT_TRUE(QFileInfo(folder).isDir()) << qPrintable(folder);
  EXPECT_TRUE(folder.startsWith(QString::fromStdString(home_.NativeFile("saved"))));
  EXPECT_FALSE(FilesIn(folder.toStdString()).empty());
  // The album that was not downloaded has no folder to open.
  int travelRow = -1;
  for (int row = 0; row < Rows(); ++row)
    if (Cell(row, kColumnAlbumId) == U(demosite::kTravelBoardId)) travelRow = row;
  emit list->doubleClicked(list->model()->index(travelRow, kColumnTitle));
  EXPECT_EQ(opened.urls.size(), 1u);
}

// Every line the retrieval leaves out is named in the log with its number.
TEST_F(WindowTest, SkippedInputLinesAreNamedInTheLog) {
  Open();
  Retrieve({Board(demosite::kSpringBoardId), U("hello"), U(""),
            U("ab\x01"
              "cd"),
            Board(demosite::kFlowersBoardId)});
  EXPECT_EQ(Rows(), 2);
  EXPECT_TRUE(Log().contains(U("第2行既不是画板网址，也不是搜索网址，已跳过：hello\n")))
      << qPrintable(Log());
  EXPECT_TRUE(Log().contains(U("第4行含有控制字符，已跳过：ab cd\n"))) << qPrintable(Log());
  EXPECT_FALSE(Log().contains(U("第3行")));
  EXPECT_FALSE(Log().contains(U("第1行")));
}

// The window's size and place and the column widths come back at the next
// start; a place off every screen is brought back onto it.
TEST_F(WindowTest, PlaceAndColumnWidthsAreRememberedAndFittedToTheScreen) {
  {
    MainWindow& window = Open();
    window.resize(1000, 700);
    window.move(120, 90);
    window.AlbumActions().SetColumnWidth(kColumnTitle, 333);
    QTest::qWait(50);
    window.close();
  }
  window_.reset();
  EXPECT_FALSE(ReadSetting(SettingsPath(), kWindowSection, kWindowPlaceKey).empty());
  const WindowPlace saved = SavedWindowPlace();
  EXPECT_EQ(saved.normal.size(), QSize(1000, 700));
  EXPECT_EQ(saved.columnWidths[kColumnTitle], 333);

  MainWindow& again = Open();
  EXPECT_EQ(again.size(), QSize(1000, 700));
  EXPECT_EQ(List()->columnWidth(kColumnTitle), 333);

  // FitToScreen: rows of wanted, screen, minimum and the place it gives.
  const QSize minimum(700, 500);
  const struct {
    QRect wanted, screen, fitted;
  } rows[] = {
      {{50, 50, 936, 656}, {0, 0, 1920, 1040}, {50, 50, 936, 656}},        // fits as it is
      {{50, 50, 1170, 820}, {0, 0, 1093, 584}, {0, 0, 1093, 584}},         // 1366x768 at 125 %
      {{3000, 2000, 936, 656}, {0, 0, 1280, 1000}, {344, 344, 936, 656}},  // off the screen
      {{-500, -300, 936, 656}, {0, 0, 1280, 1000}, {0, 0, 936, 656}},
      {{0, 0, 936, 656}, {0, 0, 600, 400}, {0, 0, 700, 500}},  // never below the minimum
  };
  for (const auto& row : rows) EXPECT_EQ(FitToScreen(row.wanted, row.screen, minimum), row.fitted);

  // A damaged place is not a place.
  WriteSetting(SettingsPath(), kWindowSection, kWindowPlaceKey, "1,2,x,4");
  EXPECT_TRUE(SavedWindowPlace().normal.isEmpty());
  WriteSetting(SettingsPath(), kWindowSection, kWindowPlaceKey, "1,2,99999999,4");
  EXPECT_TRUE(SavedWindowPlace().normal.isEmpty());
}

// One window per program directory: a second start finds the first and asks
// it to come forward; another directory has a window of its own.
TEST_F(WindowTest, ASecondStartCallsTheFirstWindowForward) {
  const QString folder = QString::fromStdString(home_.Native());
  SingleWindow first(folder);
  ASSERT_TRUE(first.Claim());
  int calls = 0;
  QObject::connect(&first, &SingleWindow::comeForward, [&calls] { ++calls; });

  SingleWindow second(folder);
  EXPECT_FALSE(second.Claim());
  // The second start waits for the answer; the first answers from its event loop.
  std::atomic<int> answered{-1};
  std::thread caller([&] {
    SingleWindow asking(folder);
    answered = asking.CallFirstForward(5000) ? 1 : 0;
  });
  EXPECT_TRUE(WaitFor([&] { return answered != -1; }));
  caller.join();
  EXPECT_EQ(answered, 1);
  EXPECT_EQ(calls, 1);

  TempDir elsewhere;
  SingleWindow other(QString::fromStdString(elsewhere.Native()));
  EXPECT_TRUE(other.Claim());
  EXPECT_NE(SingleWindow::SocketName(folder),
            SingleWindow::SocketName(QString::fromStdString(elsewhere.Native())));
}

// The settings page's own controls: pictures fetched at once, the sync and
// one-copy switches, the site's addresses with a check when a field is left,
// and 恢复默认.
TEST_F(WindowTest, SettingsPageControlsAreWrittenAndFollowed) {
  WriteSetting(SettingsPath(), kSettingsSection, kLanesKey, "4");
  MainWindow& window = Open();
  auto* lanes = Find<QSpinBox>("数值框_同时下载数");
  EXPECT_EQ(lanes->value(), 4);
  EXPECT_EQ(window.Engine().Values().PictureLanes(), 4);
  EXPECT_EQ(lanes->minimum(), 1);
  EXPECT_EQ(lanes->maximum(), 16);
  lanes->setValue(6);
  EXPECT_EQ(ReadSetting(SettingsPath(), kSettingsSection, kLanesKey), "6");
  EXPECT_EQ(window.Engine().Values().PictureLanes(), 6);

  for (const auto& [name, key] : {std::pair{"选择框_只取新图", &kSyncKey},
                                  std::pair{"选择框_相同图片只存一份", &kLinkDuplicatesKey}}) {
    QCheckBox* box = Find<QCheckBox>(name);
    EXPECT_FALSE(box->isChecked()) << name;
    box->click();
    EXPECT_EQ(ReadSetting(SettingsPath(), kSettingsSection, *key), "1") << name;
  }
  EXPECT_TRUE(window.Engine().Values().SyncSwitch());
  EXPECT_TRUE(window.Engine().Values().LinkDuplicatesSwitch());

  QLineEdit* siteHost = Find<QLineEdit>("编辑框_站点地址");
  const QString before = siteHost->text();
  siteHost->setText(U("ftp://example.org"));
  emit siteHost->editingFinished();
  EXPECT_EQ(siteHost->text(), before);
  ASSERT_TRUE(
      WaitFor([&] { return window.findChild<QMessageBox*>(U("网址无法使用")) != nullptr; }));
  EXPECT_EQ(ReadSetting(SettingsPath(), kSiteSection, kSiteHostKey), "");
  for (QMessageBox* box : window.findChildren<QMessageBox*>()) box->close();

  siteHost->setText(U(" https://pins.example.org/ "));
  emit siteHost->editingFinished();
  EXPECT_EQ(siteHost->text(), U("https://pins.example.org"));
  EXPECT_EQ(ReadSetting(SettingsPath(), kSiteSection, kSiteHostKey), "https://pins.example.org");
  // Nothing runs: the new site is in use at once.
  EXPECT_FALSE(window.SitePending());
  EXPECT_EQ(window.CurrentSession().site.siteHost, "https://pins.example.org");

  Find<QPushButton>("按钮_恢复默认")->click();
  EXPECT_EQ(ToText(siteHost->text()), Site().siteHost);
  EXPECT_EQ(ReadSetting(SettingsPath(), kSiteSection, kSiteHostKey), "");
  EXPECT_EQ(window.CurrentSession().site.siteHost, Site().siteHost);
}

// A run that ends while the window is not in front is told to the desktop;
// the window in front is told by its own message box only.
TEST_F(WindowTest, ARunEndingBehindOtherWindowsIsToldToTheDesktop) {
  MainWindow& window = Open();
  Retrieve({Board(demosite::kSpringBoardId)});
  Find<QLineEdit>("编辑框_保存位置")->setText(ToQString(home_.File("saved")));
  int notices = 0;
  QObject::connect(&window.Notice(), &DesktopNotice::answered, [&notices](bool) { ++notices; });
  bool finished = false;
  QObject::connect(window_.get(), &MainWindow::runFinished, [&finished] { finished = true; });
  window.showMinimized();
  Find<QPushButton>("按钮_下载选中")->click();
  ASSERT_TRUE(WaitFor([&finished] { return finished; }, 30000));
  EXPECT_TRUE(WaitFor([&notices] { return notices == 1; }));
}

TEST_F(WindowTest, SignInThroughTheViewerThenAPrivateBoardDownloadsWithItsCookies) {
  MainWindow& window = Open();
  Tool(8)->trigger();
  EXPECT_EQ(Find<QTabWidget>("选择夹1")->currentIndex(), 3);
  WebViewer* viewer = Find<WebViewer>("超文本浏览框1");
  ASSERT_TRUE(viewer->Created());
  const QString login = QString::fromStdString(site_.SiteHost()) + "/login";
  QLineEdit* address = Find<QLineEdit>("编辑框_网址");
  bool loaded = false;
  QObject::connect(viewer->View(), &QWebEngineView::loadFinished,
                   [&loaded](bool ok) { loaded = ok; });
  ASSERT_TRUE(WaitFor([&] { return loaded && address->text() == login; }, 30000));

  viewer->View()->page()->runJavaScript(
      "document.querySelector('input[name=username]').value = 'demo';"
      "document.querySelector('form').submit();");
  // The session cookie is HttpOnly: the viewer's cookie store still sees it,
  // and it goes into the session's jar as the site's, on the site's port.
  const Text siteHost = site_.SiteHost();
  CookieJar& jar = window.CurrentSession().cookies;
  ASSERT_TRUE(
      WaitFor([&] { return jar.CookieLineFor(siteHost + "/").find("sid=") != Text::npos; }, 30000));
  const Text cookies = jar.CookieLineFor(siteHost + "/");
  const std::string sid = cookies.substr(cookies.find("sid="));
  const std::string sidItem = sid.substr(0, sid.find(';'));
  for (const Cookie& cookie : jar.Cookies()) {
    if (cookie.name != "sid") continue;
    EXPECT_TRUE(cookie.httpOnly);
    EXPECT_TRUE(cookie.hostOnly);
    EXPECT_EQ(cookie.domain, "127.0.0.1");
    EXPECT_EQ(cookie.port, site_.Port());
  }
  EXPECT_EQ(jar.CookieLineFor("http://127.0.0.1:" + std::to_string(site_.Port() + 1) + "/"), "");

  // A link that wants a window of its own opens in the viewer.
  loaded = false;
  viewer->View()->page()->runJavaScript(
      "var a = document.createElement('a'); a.href = '/'; a.target = '_blank';"
      "document.body.appendChild(a); a.click();");
  EXPECT_TRUE(WaitFor([&] { return loaded && address->text() == login.chopped(5); }, 30000));

  Tool(2)->trigger();
  Retrieve({Board(demosite::kPrivateBoardId)});
  ASSERT_EQ(Rows(), 1);
  const int pins = Cell(0, 4).toInt();
  ASSERT_GT(pins, 0);  // signed in, the board shows its pins
  Find<QLineEdit>("编辑框_保存位置")->setText(ToQString(home_.File("saved")));
  site_.ClearRequests();
  bool finished = false;
  QObject::connect(window_.get(), &MainWindow::runFinished, [&finished] { finished = true; });
  Find<QPushButton>("按钮_下载选中")->click();
  ASSERT_TRUE(WaitFor([&finished] { return finished; }, 30000));

  EXPECT_EQ(static_cast<int>(FilesIn(SaveFolderNative()).size()), pins);
  int pictures = 0;
  for (const auto& request : site_.Requests()) {
    const bool picture = request.target.rfind("/img/", 0) == 0;
    const bool page = request.target.find("max=") != std::string::npos;
    if (!picture && !page) continue;
    pictures += picture;
    EXPECT_NE(request.Header("Cookie").find(sidItem), std::string::npos)
        << request.target << " sent " << request.Header("Cookie") << " not " << sidItem;
  }
  EXPECT_EQ(pictures, pins);

  // The sign-in is still there after a restart, before and after the viewer
  // is made.
  window_.reset();
  MainWindow& again = Open();
  CookieJar& jarAgain = again.CurrentSession().cookies;
  EXPECT_NE(jarAgain.CookieLineFor(siteHost + "/").find(sidItem), Text::npos);
  Tool(8)->trigger();
  loaded = false;
  QObject::connect(Find<WebViewer>("超文本浏览框1")->View(), &QWebEngineView::loadFinished,
                   [&loaded](bool ok) { loaded = ok; });
  ASSERT_TRUE(WaitFor([&] { return loaded; }, 30000));
  EXPECT_NE(jarAgain.CookieLineFor(siteHost + "/").find(sidItem), Text::npos);

  // Signed out in the viewer: the jar lets the cookie go, so no request of
  // any kind carries it from now on.
  Find<WebViewer>("超文本浏览框1")->View()->page()->profile()->cookieStore()->deleteAllCookies();
  ASSERT_TRUE(WaitFor(
      [&] { return jarAgain.CookieLineFor(siteHost + "/").find("sid=") == Text::npos; }, 30000));
  EXPECT_EQ(jarAgain.CookieLineFor(site_.ImageHost() + "/a.jpg").find("sid="), Text::npos);
}

}  // namespace
}  // namespace albumdl::app

#include "test_app.moc"

int main(int argc, char** argv) {
  // Without a display the window is drawn off screen; the web viewer wants the
  // virtual display the test runner starts.
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // The viewer's browser engine refuses to run as root with its sandbox.
  if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
