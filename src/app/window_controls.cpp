#include "app/window_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/web_viewer.h"
#include "model/run_report.h"

namespace albumdl::app {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

template <typename T>
T* Make(QWidget* parent, const char* name) {
  auto* widget = new T(parent);
  widget->setObjectName(U(name));
  return widget;
}

template <typename T>
T* Make(QWidget* parent, const char* name, const char* caption) {
  T* widget = Make<T>(parent, name);
  widget->setText(U(caption));
  return widget;
}

QGroupBox* Group(QWidget* parent, const char* name, const char* caption) {
  auto* group = Make<QGroupBox>(parent, name);
  group->setTitle(U(caption));
  return group;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption) {
  return Make<QLabel>(parent, name, caption);
}

// A label whose caption the program changes as it works: it wraps rather than
// push the window wider, so no caption is ever cut off.
QLabel* Caption(QWidget* parent, const char* name, const char* about) {
  QLabel* label = Make<QLabel>(parent, name);
  label->setWordWrap(true);
  // A label that carries information is heard by its caption; what the
  // caption is about goes in its description.
  label->setAccessibleDescription(U(about));
  return label;
}

// Enter presses a button that has the focus, as Space does.
QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* button = Make<QPushButton>(parent, name, caption);
  button->setAutoDefault(true);
  return button;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption) {
  return Make<QCheckBox>(parent, name, caption);
}

QWidget* AddPage(QTabWidget* tabs, const char* caption) {
  auto* page = new QWidget;
  tabs->addTab(page, U(caption));
  return page;
}

// "获取相册列表（F5）": what a key does, for a tool tip.
QString WithKey(const char* what, const QKeySequence& key) {
  return U(what) + U("（") + key.toString(QKeySequence::NativeText) + U("）");
}

QAction* Key(QWidget* window, const char* name, const QKeySequence& key) {
  auto* action = new QAction(window);
  action->setObjectName(U(name));
  action->setShortcut(key);
  action->setShortcutContext(Qt::WindowShortcut);
  window->addAction(action);
  return action;
}

void BuildToolbar(QWidget* window, WindowControls& c) {
  c.toolbar = Make<QToolBar>(window, "工具条1");
  c.toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  c.toolbar->setIconSize(QSize(24, 24));
  c.toolbar->setMovable(false);
  c.toolbar->setFloatable(false);
  c.toolbar->setAccessibleName(U("工具条"));
  QStyle* style = window->style();
  struct Item {
    const char* name;
    const char* caption;
    QStyle::StandardPixmap icon;
    QKeySequence key;
    const char* tip;
  };
  // Every item has a key, so the toolbar needs no mouse.
  const Item items[] = {
      {"工具_输入网址", "一：输入网址", QStyle::SP_FileDialogContentsView,
       QKeySequence(Qt::CTRL | Qt::Key_1), "输入画板网址"},
      {"工具_获取与下载", "二：获取与下载", QStyle::SP_ArrowDown,
       QKeySequence(Qt::CTRL | Qt::Key_2), "获取相册与下载"},
      {"工具_软件设置", "三：软件设置", QStyle::SP_FileDialogDetailedView,
       QKeySequence(Qt::CTRL | Qt::Key_3), "软件设置"},
      {"工具_问题反馈", "问题反馈", QStyle::SP_MessageBoxQuestion, QKeySequence(Qt::Key_F1),
       "打开问题反馈页面"},
      {"工具_登录", "登录", QStyle::SP_DialogYesButton, QKeySequence(Qt::CTRL | Qt::Key_4),
       "登录网站"},
  };
  int index = 0;
  for (const Item& item : items) {
    if (index > 0) {
      QAction* separator = c.toolbar->addSeparator();
      separator->setObjectName(QStringLiteral("工具_分隔%1").arg(index));
      c.toolItems[index++] = separator;
    }
    QAction* action = c.toolbar->addAction(style->standardIcon(item.icon), U(item.caption));
    action->setObjectName(U(item.name));
    action->setShortcut(item.key);
    action->setToolTip(WithKey(item.tip, item.key));
    c.toolItems[index++] = action;
  }
}

void BuildInputPage(QWidget* page, const QString& siteHost, WindowControls& c) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(12, 12, 12, 12);
  c.addresses = Make<QPlainTextEdit>(page, "编辑框_号码");
  c.addresses->setAccessibleName(U("画板网址"));
  c.addresses->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Tab goes on to the next control: an address never holds a tab.
  c.addresses->setTabChangesFocus(true);
  c.addresses->setMinimumHeight(80);
  c.instructions = Make<QLabel>(page, "标签2");
  c.instructions->setText(Instructions(siteHost));
  c.instructions->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  c.instructions->setWordWrap(true);
  c.instructions->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(c.addresses, 1);
  layout->addWidget(c.instructions);
}

void BuildFetchPage(QWidget* page, WindowControls& c) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(8, 6, 8, 8);
  layout->setSpacing(6);

  QGroupBox* folderGroup = Group(page, "分组框5", "");
  folderGroup->setAccessibleName(U("保存位置"));
  auto* folderRow = new QHBoxLayout(folderGroup);
  folderRow->setContentsMargins(12, 14, 10, 8);
  QLabel* folderLabel = Label(folderGroup, "标签_保存路径", "相册保存位置：");
  c.saveFolder = Make<QLineEdit>(folderGroup, "编辑框_保存位置");
  folderLabel->setBuddy(c.saveFolder);
  c.saveFolder->setAccessibleName(U("相册保存位置"));
  c.saveFolder->setMinimumWidth(160);
  c.chooseFolder = Button(folderGroup, "按钮_选择位置", "选择存放位置");
  c.openFolder = Button(folderGroup, "按钮_打开目录", "打开目录");
  folderRow->addWidget(folderLabel);
  folderRow->addWidget(c.saveFolder, 1);
  folderRow->addWidget(c.chooseFolder);
  folderRow->addWidget(c.openFolder);
  layout->addWidget(folderGroup);

  QGroupBox* actionGroup = Group(page, "分组框2", "");
  actionGroup->setAccessibleName(U("操作"));
  auto* actionRow = new QHBoxLayout(actionGroup);
  actionRow->setContentsMargins(12, 14, 10, 8);
  c.fetchAlbums = Button(actionGroup, "按钮_获取相册封面", "1：获取相册");
  c.stopFetch = Button(actionGroup, "按钮_停止获取", "停止获取");
  c.download = Button(actionGroup, "按钮_下载选中", "2:下载选中相册");
  c.pause = Button(actionGroup, "按钮_暂停线程", "暂停下载");
  c.resume = Button(actionGroup, "按钮_继续下载", "继续下载");
  c.end = Button(actionGroup, "按钮_结束下载", "结束下载");
  for (QPushButton* button : {c.fetchAlbums, c.stopFetch, c.download, c.pause, c.resume, c.end}) {
    button->setMinimumWidth(130);
    actionRow->addWidget(button);
  }
  actionRow->addStretch(1);
  c.stopFetch->hide();
  c.pause->hide();
  c.resume->hide();
  c.end->hide();
  layout->addWidget(actionGroup);

  QGroupBox* albumGroup = Group(page, "分组框3", "");
  albumGroup->setAccessibleName(U("相册与进度"));
  auto* grid = new QGridLayout(albumGroup);
  grid->setContentsMargins(10, 12, 8, 8);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(6);
  layout->addWidget(albumGroup, 1);

  auto* ticks = new QHBoxLayout;
  c.selectAll = CheckBox(albumGroup, "选择框_全选", "全选");
  c.invert = CheckBox(albumGroup, "选择框_反选", "反选");
  c.status = Caption(albumGroup, "标签_动态", "获取状态");
  ticks->addWidget(c.selectAll);
  ticks->addWidget(c.invert);
  ticks->addSpacing(8);
  ticks->addWidget(c.status, 1);
  grid->addLayout(ticks, 0, 0);

  c.albums = Make<QTableView>(albumGroup, "超级列表框1");
  c.albums->setAccessibleName(U("相册列表"));
  c.albums->setSelectionBehavior(QAbstractItemView::SelectRows);
  c.albums->setSelectionMode(QAbstractItemView::ExtendedSelection);
  c.albums->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab leaves the list; the arrows move within it.
  c.albums->setTabKeyNavigation(false);
  c.albums->setContextMenuPolicy(Qt::CustomContextMenu);
  c.albums->setWordWrap(false);
  c.albums->setMinimumSize(240, 120);
  c.albums->verticalHeader()->hide();
  c.albums->verticalHeader()->setDefaultSectionSize(22);
  c.albums->horizontalHeader()->setHighlightSections(false);
  c.albums->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  c.albums->horizontalHeader()->setStretchLastSection(true);
  grid->addWidget(c.albums, 1, 0);

  // Over the middle of the list while the albums are fetched.
  c.busyBoard = Make<QFrame>(albumGroup, "画板1");
  c.busyBoard->setAccessibleName(U("正在获取相册"));
  c.busyBoard->setFrameShape(QFrame::StyledPanel);
  c.busyBoard->setFixedSize(112, 88);
  c.busyBoard->setStyleSheet(QStringLiteral(
      "QFrame#画板1 { background: #FFFFFF; border: 1px solid #A9C2DE; border-radius: 6px; }"));
  auto* boardLayout = new QVBoxLayout(c.busyBoard);
  boardLayout->setContentsMargins(10, 14, 10, 14);
  auto* boardText = new QLabel(U("正在获取…"), c.busyBoard);
  boardText->setAlignment(Qt::AlignCenter);
  auto* spinner = new QProgressBar(c.busyBoard);
  spinner->setRange(0, 0);
  spinner->setTextVisible(false);
  spinner->setFixedHeight(10);
  boardLayout->addWidget(boardText);
  boardLayout->addWidget(spinner);
  grid->addWidget(c.busyBoard, 1, 0, Qt::AlignCenter);
  c.busyBoard->hide();

  QGroupBox* logGroup = Group(albumGroup, "分组框1", "");
  logGroup->setAccessibleName(U("日志"));
  auto* logLayout = new QVBoxLayout(logGroup);
  logLayout->setContentsMargins(4, 6, 4, 4);
  logLayout->setSpacing(4);
  QLabel* logLabel = Label(logGroup, "标签3", "执行操作日志：");
  c.log = Make<QPlainTextEdit>(logGroup, "编辑框_操作记录");
  logLabel->setBuddy(c.log);
  c.log->setReadOnly(true);
  // Read by keyboard too: the arrows and Page keys scroll it, Tab goes on.
  c.log->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  c.log->setFocusPolicy(Qt::StrongFocus);
  c.log->setTabChangesFocus(true);
  c.log->setAccessibleName(U("执行操作日志"));
  c.log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  c.log->setUndoRedoEnabled(false);
  c.log->setMinimumSize(180, 100);
  logLayout->addWidget(logLabel);
  logLayout->addWidget(c.log, 1);
  grid->addWidget(logGroup, 0, 1, 2, 1);

  auto* progressRow = new QHBoxLayout;
  QLabel* progressLabel = Label(albumGroup, "标签_进度", "下载进度：");
  c.bar = Make<QProgressBar>(albumGroup, "进度条1");
  c.bar->setRange(0, 100);
  c.bar->setValue(0);
  c.bar->setTextVisible(false);
  c.bar->setFixedHeight(20);
  c.bar->setAccessibleName(U("下载进度"));
  c.percent = Make<QLabel>(albumGroup, "标签_进度条比例");
  c.percent->setAccessibleDescription(U("下载进度"));
  c.percent->setMinimumWidth(48);
  progressRow->addWidget(progressLabel);
  progressRow->addWidget(c.bar, 1);
  progressRow->addWidget(c.percent);
  grid->addLayout(progressRow, 2, 0, Qt::AlignBottom);

  auto* runLabels = new QVBoxLayout;
  runLabels->setSpacing(2);
  c.selectedCount = Caption(albumGroup, "标签_选择了相册数量", "需下载的相册数");
  c.albumInHand = Caption(albumGroup, "标签_正在下载相册", "正在下载的相册");
  c.pictureInHand = Caption(albumGroup, "标签_第多少张照片", "正在下载的图片");
  for (QLabel* label : {c.selectedCount, c.albumInHand, c.pictureInHand}) {
    label->setMinimumHeight(18);
    runLabels->addWidget(label);
  }
  grid->addLayout(runLabels, 2, 1);

  // The list about twice as wide as the log, as designed.
  grid->setColumnStretch(0, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(1, 1);
}

QGroupBox* BuildSiteGroup(QWidget* parent, WindowControls& c) {
  c.siteGroup = Group(parent, "分组框_站点设置", "站点设置");
  auto* form = new QFormLayout(c.siteGroup);
  form->setContentsMargins(16, 16, 16, 12);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  struct Field {
    QLineEdit** edit;
    const char* name;
    const char* labelName;
    const char* caption;
  };
  const Field fields[] = {
      {&c.siteHost, "编辑框_站点地址", "标签_站点地址", "站点地址："},
      {&c.imageHost, "编辑框_图片地址", "标签_图片地址", "图片地址："},
      {&c.versionPage, "编辑框_版本页面", "标签_版本页面", "版本页面："},
      {&c.feedbackPage, "编辑框_反馈页面", "标签_反馈页面", "反馈页面："},
  };
  for (const Field& field : fields) {
    QLabel* label = Label(c.siteGroup, field.labelName, field.caption);
    *field.edit = Make<QLineEdit>(c.siteGroup, field.name);
    (*field.edit)->setAccessibleName(QString(U(field.caption)).chopped(1));
    (*field.edit)->setToolTip(U("http:// 或 https:// 开头的网址，离开输入框时检查并保存"));
    label->setBuddy(*field.edit);
    form->addRow(label, *field.edit);
  }
  c.restoreSite = Button(c.siteGroup, "按钮_恢复默认", "恢复默认");
  c.restoreSite->setToolTip(U("四个网址都恢复为默认值"));
  auto* restoreRow = new QHBoxLayout;
  restoreRow->addWidget(c.restoreSite);
  restoreRow->addStretch(1);
  form->addRow(restoreRow);
  return c.siteGroup;
}

void BuildSettingsPage(QWidget* page, WindowControls& c) {
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->setContentsMargins(12, 10, 12, 10);
  QGroupBox* outer = Group(page, "分组框8", "");
  outer->setAccessibleName(U("软件设置"));
  pageLayout->addWidget(outer);
  pageLayout->addStretch(1);
  auto* outerLayout = new QVBoxLayout(outer);
  outerLayout->setContentsMargins(14, 12, 14, 12);
  auto* groups = new QHBoxLayout;
  outerLayout->addLayout(groups);

  QGroupBox* common = Group(outer, "分组框9", "常用设置：");
  auto* commonLayout = new QVBoxLayout(common);
  commonLayout->setContentsMargins(16, 18, 16, 12);
  c.duplicateSwitch =
      CheckBox(common, "选择框_下载记录", "开启防止重复下载（下载过，不再下载，影响速度）");
  c.periodSwitch = CheckBox(common, "选择框_时间段", "开启后，只采集下面时间段上传的图片");
  auto* period = new QHBoxLayout;
  QLabel* startLabel = Label(common, "标签12", "开始时间：");
  c.periodStart = Make<QDateEdit>(common, "日期框_开始时间");
  QLabel* endLabel = Label(common, "标签4", "结束时间：");
  c.periodEnd = Make<QDateEdit>(common, "日期框_结束时间");
  period->addWidget(startLabel);
  period->addWidget(c.periodStart);
  period->addWidget(endLabel);
  period->addWidget(c.periodEnd);
  period->addStretch(1);
  c.debugSwitch = CheckBox(common, "选择框_调试", "调试模式");
  c.syncSwitch =
      CheckBox(common, "选择框_只取新图", "只取新图（只下载上次完整下载之后新加的图片）");
  c.syncSwitch->setToolTip(
      U("画板：翻页到上次完整下载停下的地方为止；搜索结果不按时间排列，"
        "只跳过已下载的图片"));
  c.linkSwitch =
      CheckBox(common, "选择框_相同图片只存一份", "相同图片只存一份（别的相册存过的图片不再下载）");
  c.linkSwitch->setToolTip(
      U("同一保存位置下存过的相同图片不再下载，用硬链接（不行时复制）放进新相册"));
  auto* lanesRow = new QHBoxLayout;
  QLabel* lanesLabel = Label(common, "标签_同时下载数", "同时下载图片数：");
  c.lanes = Make<QSpinBox>(common, "数值框_同时下载数");
  c.lanes->setRange(1, kMostPictureLanes);
  c.lanes->setValue(1);
  c.lanes->setAccessibleName(U("同时下载图片数"));
  c.lanes->setToolTip(
      U("一个相册同时下载几个图片（1 到 %1），下次开始下载时生效").arg(kMostPictureLanes));
  lanesLabel->setBuddy(c.lanes);
  lanesRow->addWidget(lanesLabel);
  lanesRow->addWidget(c.lanes);
  lanesRow->addStretch(1);
  commonLayout->addWidget(c.duplicateSwitch);
  commonLayout->addWidget(c.periodSwitch);
  commonLayout->addLayout(period);
  commonLayout->addWidget(c.debugSwitch);
  commonLayout->addWidget(c.syncSwitch);
  commonLayout->addWidget(c.linkSwitch);
  commonLayout->addLayout(lanesRow);
  commonLayout->addStretch(1);
  for (QWidget* hidden : std::initializer_list<QWidget*>{c.periodSwitch, startLabel, c.periodStart,
                                                         endLabel, c.periodEnd, c.debugSwitch})
    hidden->hide();
  startLabel->setBuddy(c.periodStart);
  endLabel->setBuddy(c.periodEnd);
  groups->addWidget(common, 1);

  // Two narrow labels drawn as an etched vertical line between the groups.
  QLabel* line = Make<QLabel>(outer, "标签19");
  line->setFixedWidth(10);
  line->setStyleSheet(QStringLiteral("QLabel#标签19 { border-right: 1px solid #AEBBC9; }"));
  QLabel* light = Make<QLabel>(outer, "标签20");
  light->setFixedWidth(6);
  light->setStyleSheet(QStringLiteral("QLabel#标签20 { border-left: 1px solid #FFFFFF; }"));
  groups->addSpacing(0);
  groups->addWidget(line);
  groups->addWidget(light);

  QGroupBox* versionGroup = Group(outer, "分组框11", "软件版本");
  auto* versionGrid = new QGridLayout(versionGroup);
  versionGrid->setContentsMargins(16, 20, 16, 12);
  versionGrid->setVerticalSpacing(8);
  QLabel* currentLabel = Label(versionGroup, "标签21", "当前版本：");
  c.version = Caption(versionGroup, "标签_banben", "当前版本");
  currentLabel->setBuddy(c.version);
  QLabel* latestLabel = Label(versionGroup, "标签_xinbanben1", "最新版本：");
  c.latestVersion = Caption(versionGroup, "标签_zxbanben", "最新版本");
  latestLabel->setBuddy(c.latestVersion);
  c.updateVerdict = Caption(versionGroup, "标签_banbenjieguo", "检测结果");
  c.updateVerdict->setMinimumHeight(40);
  c.updateVerdict->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  c.checkUpdate = Button(versionGroup, "按钮_检测更新", "检测程序是否有更新");
  versionGrid->addWidget(currentLabel, 0, 0);
  versionGrid->addWidget(c.version, 0, 1);
  versionGrid->addWidget(latestLabel, 1, 0);
  versionGrid->addWidget(c.latestVersion, 1, 1);
  versionGrid->addWidget(c.updateVerdict, 2, 0, 1, 2);
  versionGrid->addWidget(c.checkUpdate, 3, 0, 1, 2, Qt::AlignLeft);
  versionGrid->setColumnStretch(1, 1);
  versionGrid->setRowStretch(4, 1);
  groups->addWidget(versionGroup);
  versionGroup->setMinimumWidth(260);

  outerLayout->addWidget(BuildSiteGroup(outer, c));
}

void BuildLoginPage(QWidget* page, WindowControls& c) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(6, 8, 6, 6);
  auto* row = new QHBoxLayout;
  QLabel* addressLabel = Label(page, "标签7", "网址：");
  c.address = Make<QLineEdit>(page, "编辑框_网址");
  addressLabel->setBuddy(c.address);
  c.address->setAccessibleName(U("网址"));
  c.address->setToolTip(U("输入网址后按回车打开"));
  c.openPage = Button(page, "按钮_打开网址", "打开网址");
  row->addWidget(addressLabel);
  row->addWidget(c.address, 1);
  row->addWidget(c.openPage);
  layout->addLayout(row);
  c.viewer = Make<WebViewer>(page, "超文本浏览框1");
  c.viewer->setAccessibleName(U("网页浏览"));
  c.viewer->setMinimumSize(200, 120);
  layout->addWidget(c.viewer, 1);
}

void BuildKeys(QWidget* window, WindowControls& c) {
  c.fetchKey = Key(window, "键_获取相册", QKeySequence(Qt::Key_F5));
  c.stopFetchKey = Key(window, "键_停止获取", QKeySequence(Qt::Key_Escape));
  c.downloadKey = Key(window, "键_下载选中", QKeySequence(Qt::Key_F6));
  c.pauseKey = Key(window, "键_暂停继续", QKeySequence(Qt::Key_F7));
  c.fetchAlbums->setToolTip(WithKey("获取相册列表", c.fetchKey->shortcut()));
  c.stopFetch->setToolTip(WithKey("停止获取相册列表", c.stopFetchKey->shortcut()));
  c.download->setToolTip(WithKey("下载勾选的相册", c.downloadKey->shortcut()));
  c.pause->setToolTip(WithKey("暂停下载", c.pauseKey->shortcut()));
  c.resume->setToolTip(WithKey("继续下载", c.pauseKey->shortcut()));
}

}  // namespace

// The instructions under the address box, with an example of each kind of
// address on the configured site.
QString Instructions(const QString& siteHost) {
  return U("上面输入画板的网址或者是搜索的关键词页面，一行一个，不建议下载太多。中间不要留空行。"
           "\n\n"
           "画板网址，例如：") +
         siteHost + U("/boards/12345678/    （最后的“/”不要忘记了）\n搜索关键词网址，例如：") +
         siteHost + U("/search/?q=%E5%A3%81%E7%BA%B8    （速度稍慢）");
}

WindowControls BuildControls(QWidget* window, const QString& siteHost) {
  WindowControls c{};
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildToolbar(window, c);
  layout->addWidget(c.toolbar);
  c.separator = Make<QLabel>(window, "标签6");
  c.separator->setFixedHeight(6);
  c.separator->setStyleSheet(QStringLiteral("QLabel#标签6 { border-top: 1px solid #C5D0DC; }"));
  layout->addWidget(c.separator);
  c.tabs = Make<QTabWidget>(window, "选择夹1");
  c.tabs->setAccessibleName(U("页面"));
  c.tabs->tabBar()->setExpanding(false);
  BuildInputPage(AddPage(c.tabs, "  第一步：画板网址  "), siteHost, c);
  BuildFetchPage(AddPage(c.tabs, "  第二步：获取相册    "), c);
  BuildSettingsPage(AddPage(c.tabs, "  第三步：软件设置  "), c);
  BuildLoginPage(AddPage(c.tabs, "登录"), c);
  auto* tabsRow = new QHBoxLayout;
  tabsRow->setContentsMargins(10, 0, 6, 6);
  tabsRow->addWidget(c.tabs);
  layout->addLayout(tabsRow, 1);
  BuildKeys(window, c);
  return c;
}

}  // namespace albumdl::app
