// Every control of the main window, made with its name (objectName) and
// caption, in layouts: the address box, the album list, the log and the web
// viewer take the room there is, and the window is never smaller than what
// shows every control whole. At the design size (936 x 656) the pages look as
// designed.
#pragma once

#include <QString>
#include <array>

class QAction;
class QCheckBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QToolBar;
class QWidget;

namespace albumdl::app {

class WebViewer;

// The toolbar's items by index; separators count.
enum ToolbarItem : int {
  kToolInput = 0,
  kToolFetch = 2,
  kToolSettings = 4,
  kToolFeedback = 6,
  kToolLogin = 8,
};
inline constexpr int kToolbarItems = 9;

// Pages of 选择夹1.
enum Page : int { kPageInput = 0, kPageFetch = 1, kPageSettings = 2, kPageLogin = 3 };

struct WindowControls {
  QToolBar* toolbar;                              // 工具条1
  std::array<QAction*, kToolbarItems> toolItems;  // by index
  QLabel* separator;                              // 标签6
  QTabWidget* tabs;                               // 选择夹1

  // Page 0
  QPlainTextEdit* addresses;  // 编辑框_号码
  QLabel* instructions;       // 标签2

  // Page 1
  QLineEdit* saveFolder;      // 编辑框_保存位置
  QPushButton* chooseFolder;  // 按钮_选择位置
  QPushButton* openFolder;    // 按钮_打开目录
  QPushButton* fetchAlbums;   // 按钮_获取相册封面
  QPushButton* stopFetch;     // 按钮_停止获取: shown while the albums are fetched
  QPushButton* download;      // 按钮_下载选中
  QPushButton* pause;         // 按钮_暂停线程
  QPushButton* resume;        // 按钮_继续下载
  QPushButton* end;           // 按钮_结束下载
  QCheckBox* selectAll;       // 选择框_全选
  QCheckBox* invert;          // 选择框_反选
  QLabel* status;             // 标签_动态
  QTableView* albums;         // 超级列表框1
  QFrame* busyBoard;          // 画板1
  QPlainTextEdit* log;        // 编辑框_操作记录
  QProgressBar* bar;          // 进度条1
  QLabel* percent;            // 标签_进度条比例
  QLabel* selectedCount;      // 标签_选择了相册数量
  QLabel* albumInHand;        // 标签_正在下载相册
  QLabel* pictureInHand;      // 标签_第多少张照片

  // Page 2
  QCheckBox* duplicateSwitch;  // 选择框_下载记录
  QCheckBox* periodSwitch;     // 选择框_时间段 (hidden)
  QDateEdit* periodStart;      // 日期框_开始时间 (hidden)
  QDateEdit* periodEnd;        // 日期框_结束时间 (hidden)
  QCheckBox* debugSwitch;      // 选择框_调试 (hidden)
  QCheckBox* syncSwitch;       // 选择框_只取新图
  QCheckBox* linkSwitch;       // 选择框_相同图片只存一份
  QSpinBox* lanes;             // 数值框_同时下载数: pictures fetched at once
  QGroupBox* siteGroup;        // 分组框_站点设置
  QLineEdit* siteHost;         // 编辑框_站点地址
  QLineEdit* imageHost;        // 编辑框_图片地址
  QLineEdit* versionPage;      // 编辑框_版本页面
  QLineEdit* feedbackPage;     // 编辑框_反馈页面
  QPushButton* restoreSite;    // 按钮_恢复默认
  QLabel* version;             // 标签_banben
  QLabel* latestVersion;       // 标签_zxbanben
  QLabel* updateVerdict;       // 标签_banbenjieguo
  QPushButton* checkUpdate;    // 按钮_检测更新

  // Page 3
  QLineEdit* address;     // 编辑框_网址
  QPushButton* openPage;  // 按钮_打开网址
  WebViewer* viewer;      // 超文本浏览框1

  // Keyboard commands of the whole window (their keys are in the tool tips
  // of the buttons they press).
  QAction* fetchKey;      // F5: 1：获取相册
  QAction* stopFetchKey;  // Esc: 停止获取
  QAction* downloadKey;   // F6: 2:下载选中相册
  QAction* pauseKey;      // F7: 暂停下载, or 继续下载 when paused
};

// Makes the controls on window. siteHost ("http://host:port") gives the
// example addresses of the instructions.
WindowControls BuildControls(QWidget* window, const QString& siteHost);

// The window's design size, and its place on a first start.
inline constexpr int kDesignWidth = 936;
inline constexpr int kDesignHeight = 656;
inline constexpr int kDesignLeft = 50;
inline constexpr int kDesignTop = 50;

// The address box's instructions with examples on this site.
QString Instructions(const QString& siteHost);

}  // namespace albumdl::app
