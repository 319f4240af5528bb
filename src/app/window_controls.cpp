#include "app/window_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/web_viewer.h"

namespace albumdl::app {

namespace {

template <typename T>
T* Make(QWidget* parent, const char* name, QRect place) {
  auto* widget = new T(parent);
  widget->setObjectName(QString::fromUtf8(name));
  widget->setGeometry(place);
  return widget;
}

template <typename T>
T* Make(QWidget* parent, const char* name, const char* caption, QRect place) {
  T* widget = Make<T>(parent, name, place);
  widget->setText(QString::fromUtf8(caption));
  return widget;
}

QGroupBox* Group(QWidget* parent, const char* name, const char* caption, QRect place) {
  auto* group = Make<QGroupBox>(parent, name, place);
  group->setTitle(QString::fromUtf8(caption));
  return group;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption, QRect place) {
  return Make<QLabel>(parent, name, caption, place);
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, QRect place) {
  return Make<QPushButton>(parent, name, caption, place);
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption, QRect place) {
  return Make<QCheckBox>(parent, name, caption, place);
}

QWidget* AddPage(QTabWidget* tabs, const char* caption) {
  auto* page = new QWidget;
  tabs->addTab(page, QString::fromUtf8(caption));
  return page;
}

// The instructions under the address box, with an example of each kind of
// address on the configured site.
QString Instructions(const QString& siteHost) {
  return QString::fromUtf8(
             "上面输入画板的网址或者是搜索的关键词页面，一行一个，不建议下载太多。中间不要留空行。"
             "\n\n"
             "画板网址，例如：") +
         siteHost +
         QString::fromUtf8("/boards/12345678/    （最后的“/”不要忘记了）\n搜索关键词网址，例如：") +
         siteHost + QString::fromUtf8("/search/?q=%E5%A3%81%E7%BA%B8    （速度稍慢）");
}

void BuildToolbar(QWidget* window, WindowControls& c) {
  c.toolbar = Make<QToolBar>(window, "工具条1", QRect(0, 0, 934, 57));
  c.toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  c.toolbar->setIconSize(QSize(24, 24));
  c.toolbar->setMovable(false);
  c.toolbar->setFloatable(false);
  c.toolbar->setAccessibleName(QString::fromUtf8("工具条"));
  QStyle* style = window->style();
  struct Item {
    const char* name;
    const char* caption;
    QStyle::StandardPixmap icon;
  };
  const Item items[] = {
      {"工具_输入网址", "一：输入网址", QStyle::SP_FileDialogContentsView},
      {"工具_获取与下载", "二：获取与下载", QStyle::SP_ArrowDown},
      {"工具_软件设置", "三：软件设置", QStyle::SP_FileDialogDetailedView},
      {"工具_问题反馈", "问题反馈", QStyle::SP_MessageBoxQuestion},
      {"工具_登录", "登录", QStyle::SP_DialogYesButton},
  };
  int index = 0;
  for (const Item& item : items) {
    if (index > 0) {
      QAction* separator = c.toolbar->addSeparator();
      separator->setObjectName(QStringLiteral("工具_分隔%1").arg(index));
      c.toolItems[index++] = separator;
    }
    QAction* action =
        c.toolbar->addAction(style->standardIcon(item.icon), QString::fromUtf8(item.caption));
    action->setObjectName(QString::fromUtf8(item.name));
    c.toolItems[index++] = action;
  }
}

void BuildInputPage(QWidget* page, const QString& siteHost, WindowControls& c) {
  c.addresses = Make<QPlainTextEdit>(page, "编辑框_号码", QRect(12, 12, 875, 153));
  c.addresses->setAccessibleName(QString::fromUtf8("画板网址"));
  c.addresses->setLineWrapMode(QPlainTextEdit::NoWrap);
  c.instructions = Make<QLabel>(page, "标签2", QRect(12, 176, 875, 120));
  c.instructions->setText(Instructions(siteHost));
  c.instructions->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  c.instructions->setWordWrap(true);
  c.instructions->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void BuildFetchPage(QWidget* page, WindowControls& c) {
  QGroupBox* folderGroup = Group(page, "分组框5", "", QRect(8, 2, 886, 52));
  folderGroup->setAccessibleName(QString::fromUtf8("保存位置"));
  QLabel* folderLabel =
      Label(folderGroup, "标签_保存路径", "相册保存位置：", QRect(14, 19, 96, 26));
  c.saveFolder = Make<QLineEdit>(folderGroup, "编辑框_保存位置", QRect(110, 19, 520, 26));
  folderLabel->setBuddy(c.saveFolder);
  c.saveFolder->setAccessibleName(QString::fromUtf8("相册保存位置"));
  c.chooseFolder = Button(folderGroup, "按钮_选择位置", "选择存放位置", QRect(642, 18, 112, 28));
  c.openFolder = Button(folderGroup, "按钮_打开目录", "打开目录", QRect(764, 18, 112, 28));

  QGroupBox* actionGroup = Group(page, "分组框2", "", QRect(8, 58, 886, 52));
  actionGroup->setAccessibleName(QString::fromUtf8("操作"));
  c.fetchAlbums = Button(actionGroup, "按钮_获取相册封面", "1：获取相册", QRect(14, 18, 150, 28));
  c.download = Button(actionGroup, "按钮_下载选中", "2:下载选中相册", QRect(178, 18, 150, 28));
  c.pause = Button(actionGroup, "按钮_暂停线程", "暂停下载", QRect(178, 18, 150, 28));
  c.resume = Button(actionGroup, "按钮_继续下载", "继续下载", QRect(178, 18, 150, 28));
  c.end = Button(actionGroup, "按钮_结束下载", "结束下载", QRect(342, 18, 150, 28));
  c.pause->hide();
  c.resume->hide();
  c.end->hide();

  QGroupBox* albumGroup = Group(page, "分组框3", "", QRect(8, 114, 886, 420));
  albumGroup->setAccessibleName(QString::fromUtf8("相册与进度"));
  c.selectAll = CheckBox(albumGroup, "选择框_全选", "全选", QRect(14, 18, 60, 22));
  c.invert = CheckBox(albumGroup, "选择框_反选", "反选", QRect(80, 18, 60, 22));
  c.status = Make<QLabel>(albumGroup, "标签_动态", QRect(150, 18, 424, 22));
  // A label that carries information is heard by its caption; what the
  // caption is about goes in its description.
  c.status->setAccessibleDescription(QString::fromUtf8("获取状态"));

  c.albums = Make<QTableView>(albumGroup, "超级列表框1", QRect(12, 44, 560, 339));
  c.albums->setAccessibleName(QString::fromUtf8("相册列表"));
  c.albums->setSelectionBehavior(QAbstractItemView::SelectRows);
  c.albums->setSelectionMode(QAbstractItemView::SingleSelection);
  c.albums->setEditTriggers(QAbstractItemView::NoEditTriggers);
  c.albums->setSortingEnabled(false);
  c.albums->setWordWrap(false);
  c.albums->verticalHeader()->hide();
  c.albums->verticalHeader()->setDefaultSectionSize(22);
  c.albums->horizontalHeader()->setHighlightSections(false);
  c.albums->horizontalHeader()->setSectionsClickable(false);
  c.albums->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  // Over the middle of the list while the albums are fetched.
  c.busyBoard = Make<QFrame>(albumGroup, "画板1", QRect(12 + 224, 44 + 125, 112, 88));
  c.busyBoard->setAccessibleName(QString::fromUtf8("正在获取相册"));
  c.busyBoard->setFrameShape(QFrame::StyledPanel);
  c.busyBoard->setStyleSheet(QStringLiteral(
      "QFrame#画板1 { background: #FFFFFF; border: 1px solid #A9C2DE; border-radius: 6px; }"));
  auto* boardLayout = new QVBoxLayout(c.busyBoard);
  boardLayout->setContentsMargins(10, 14, 10, 14);
  auto* boardText = new QLabel(QString::fromUtf8("正在获取…"), c.busyBoard);
  boardText->setAlignment(Qt::AlignCenter);
  auto* spinner = new QProgressBar(c.busyBoard);
  spinner->setRange(0, 0);
  spinner->setTextVisible(false);
  spinner->setFixedHeight(10);
  boardLayout->addWidget(boardText);
  boardLayout->addWidget(spinner);
  c.busyBoard->hide();

  QGroupBox* logGroup = Group(albumGroup, "分组框1", "", QRect(580, 10, 300, 344));
  logGroup->setAccessibleName(QString::fromUtf8("日志"));
  QLabel* logLabel = Label(logGroup, "标签3", "执行操作日志：", QRect(8, 14, 200, 20));
  c.log = Make<QPlainTextEdit>(logGroup, "编辑框_操作记录", QRect(2, 36, 296, 304));
  logLabel->setBuddy(c.log);
  c.log->setReadOnly(true);
  c.log->setAccessibleName(QString::fromUtf8("执行操作日志"));
  c.log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  c.log->setUndoRedoEnabled(false);

  Label(albumGroup, "标签_进度", "下载进度：", QRect(14, 390, 70, 22));
  c.bar = Make<QProgressBar>(albumGroup, "进度条1", QRect(86, 391, 380, 20));
  c.bar->setRange(0, 100);
  c.bar->setValue(0);
  c.bar->setTextVisible(false);
  c.bar->setAccessibleName(QString::fromUtf8("下载进度"));
  c.percent = Make<QLabel>(albumGroup, "标签_进度条比例", QRect(474, 390, 98, 22));
  c.percent->setAccessibleDescription(QString::fromUtf8("下载进度"));
  c.selectedCount = Make<QLabel>(albumGroup, "标签_选择了相册数量", QRect(584, 358, 296, 18));
  c.selectedCount->setAccessibleDescription(QString::fromUtf8("需下载的相册数"));
  c.albumInHand = Make<QLabel>(albumGroup, "标签_正在下载相册", QRect(584, 378, 296, 18));
  c.albumInHand->setAccessibleDescription(QString::fromUtf8("正在下载的相册"));
  c.pictureInHand = Make<QLabel>(albumGroup, "标签_第多少张照片", QRect(584, 398, 296, 18));
  c.pictureInHand->setAccessibleDescription(QString::fromUtf8("正在下载的图片"));
}

void BuildSettingsPage(QWidget* page, WindowControls& c) {
  QGroupBox* outer = Group(page, "分组框8", "", QRect(12, 10, 878, 270));
  outer->setAccessibleName(QString::fromUtf8("软件设置"));

  QGroupBox* common = Group(outer, "分组框9", "常用设置：", QRect(14, 22, 520, 232));
  c.duplicateSwitch =
      CheckBox(common, "选择框_下载记录", "开启防止重复下载（下载过，不再下载，影响速度）",
               QRect(16, 30, 488, 24));
  c.periodSwitch = CheckBox(common, "选择框_时间段", "开启后，只采集下面时间段上传的图片",
                            QRect(16, 62, 488, 24));
  QLabel* startLabel = Label(common, "标签12", "开始时间：", QRect(34, 94, 70, 24));
  c.periodStart = Make<QDateEdit>(common, "日期框_开始时间", QRect(104, 94, 140, 24));
  QLabel* endLabel = Label(common, "标签4", "结束时间：", QRect(258, 94, 70, 24));
  c.periodEnd = Make<QDateEdit>(common, "日期框_结束时间", QRect(328, 94, 140, 24));
  c.debugSwitch = CheckBox(common, "选择框_调试", "调试模式", QRect(16, 126, 200, 24));
  for (QWidget* hidden : std::initializer_list<QWidget*>{c.periodSwitch, startLabel, c.periodStart,
                                                         endLabel, c.periodEnd, c.debugSwitch})
    hidden->hide();
  startLabel->setBuddy(c.periodStart);
  endLabel->setBuddy(c.periodEnd);

  // Two narrow labels drawn as an etched vertical line between the groups.
  QLabel* line = Make<QLabel>(outer, "标签19", QRect(544, 26, 10, 224));
  line->setStyleSheet(QStringLiteral("QLabel#标签19 { border-right: 1px solid #AEBBC9; }"));
  QLabel* light = Make<QLabel>(outer, "标签20", QRect(554, 26, 6, 224));
  light->setStyleSheet(QStringLiteral("QLabel#标签20 { border-left: 1px solid #FFFFFF; }"));

  QGroupBox* versionGroup = Group(outer, "分组框11", "软件版本", QRect(570, 22, 294, 232));
  QLabel* currentLabel = Label(versionGroup, "标签21", "当前版本：", QRect(16, 34, 80, 22));
  c.version = Make<QLabel>(versionGroup, "标签_banben", QRect(100, 34, 170, 22));
  currentLabel->setBuddy(c.version);
  c.version->setAccessibleDescription(QString::fromUtf8("当前版本"));
  QLabel* latestLabel = Label(versionGroup, "标签_xinbanben1", "最新版本：", QRect(16, 64, 80, 22));
  c.latestVersion = Make<QLabel>(versionGroup, "标签_zxbanben", QRect(100, 64, 170, 22));
  latestLabel->setBuddy(c.latestVersion);
  c.latestVersion->setAccessibleDescription(QString::fromUtf8("最新版本"));
  c.updateVerdict = Make<QLabel>(versionGroup, "标签_banbenjieguo", QRect(16, 96, 262, 44));
  c.updateVerdict->setWordWrap(true);
  c.updateVerdict->setAccessibleDescription(QString::fromUtf8("检测结果"));
  c.checkUpdate =
      Button(versionGroup, "按钮_检测更新", "检测程序是否有更新", QRect(16, 150, 200, 30));
}

void BuildLoginPage(QWidget* page, WindowControls& c) {
  QLabel* addressLabel = Label(page, "标签7", "网址：", QRect(8, 10, 44, 26));
  c.address = Make<QLineEdit>(page, "编辑框_网址", QRect(54, 10, 536, 26));
  addressLabel->setBuddy(c.address);
  c.address->setAccessibleName(QString::fromUtf8("网址"));
  c.openPage = Button(page, "按钮_打开网址", "打开网址", QRect(600, 9, 100, 28));
  c.viewer = Make<WebViewer>(page, "超文本浏览框1", QRect(4, 44, 880, 472));
  c.viewer->setAccessibleName(QString::fromUtf8("网页浏览"));
}

}  // namespace

WindowControls BuildControls(QWidget* window, const QString& siteHost) {
  WindowControls c{};
  BuildToolbar(window, c);
  c.separator = Make<QLabel>(window, "标签6", QRect(2, 57, 932, 16));
  c.separator->setStyleSheet(QStringLiteral("QLabel#标签6 { border-top: 1px solid #C5D0DC; }"));
  c.tabs = Make<QTabWidget>(window, "选择夹1", QRect(10, 64, 923, 569));
  c.tabs->setAccessibleName(QString::fromUtf8("页面"));
  BuildInputPage(AddPage(c.tabs, "  第一步：画板网址  "), siteHost, c);
  BuildFetchPage(AddPage(c.tabs, "  第二步：获取相册    "), c);
  BuildSettingsPage(AddPage(c.tabs, "  第三步：软件设置  "), c);
  BuildLoginPage(AddPage(c.tabs, "登录"), c);
  return c;
}

}  // namespace albumdl::app
