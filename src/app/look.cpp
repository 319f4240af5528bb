#include "app/look.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QStyleFactory>

namespace albumdl::app {

namespace {

QPalette CalmPalette() {
  const QColor window(0xEE, 0xF2, 0xF6);
  const QColor base(0xFF, 0xFF, 0xFF);
  const QColor text(0x1F, 0x2A, 0x37);
  const QColor accent(0x2F, 0x6F, 0xB3);
  QPalette palette;
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::AlternateBase, QColor(0xF5, 0xF8, 0xFB));
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, QColor(0xF7, 0xF9, 0xFB));
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::Highlight, accent);
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::ToolTipBase, base);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, QColor(0x8A, 0x96, 0xA3));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x9A, 0xA4, 0xAF));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x9A, 0xA4, 0xAF));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x9A, 0xA4, 0xAF));
  return palette;
}

// Sizes and places are the window's own (fixed geometry); the sheet only
// colours and frames.
const char kStyleSheet[] = R"(
QToolBar#工具条1 {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FDFEFF, stop:1 #E3EAF2);
  border: none;
  border-bottom: 1px solid #C5D0DC;
  spacing: 6px;
  padding: 2px 6px;
}
QToolBar#工具条1 QToolButton {
  color: #1F2A37;
  padding: 3px 10px;
  border: 1px solid transparent;
  border-radius: 4px;
}
QToolBar#工具条1 QToolButton:hover { background: #DCE8F5; border-color: #A9C2DE; }
QToolBar#工具条1 QToolButton:pressed { background: #C9DBEF; }
QToolBar#工具条1::separator { background: #C5D0DC; width: 1px; margin: 8px 4px; }
QTabWidget::pane { border: 1px solid #C5D0DC; border-radius: 3px; background: #F8FAFC; top: -1px; }
QTabBar::tab {
  background: #E3EAF2; color: #3A4A5C; border: 1px solid #C5D0DC; border-bottom: none;
  padding: 5px 10px; margin-right: 2px; border-top-left-radius: 4px; border-top-right-radius: 4px;
}
QTabBar::tab:selected { background: #F8FAFC; color: #1F2A37; }
QTabBar::tab:hover:!selected { background: #EDF3F9; }
QGroupBox {
  border: 1px solid #CCD6E0; border-radius: 4px; margin-top: 10px; background: #FFFFFF;
}
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #2F6FB3; }
QPushButton {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:1 #E9EFF5);
  border: 1px solid #A9B8C8; border-radius: 4px; padding: 3px 10px; color: #1F2A37;
}
QPushButton:hover { border-color: #2F6FB3; background: #F0F6FC; }
QPushButton:pressed { background: #D6E4F3; }
QPushButton:disabled { color: #9AA4AF; border-color: #CCD6E0; }
QPushButton:focus { border-color: #2F6FB3; }
QLineEdit, QPlainTextEdit, QTableView {
  border: 1px solid #B8C5D3; border-radius: 3px; background: #FFFFFF;
  selection-background-color: #2F6FB3;
}
QLineEdit:focus, QPlainTextEdit:focus, QTableView:focus { border-color: #2F6FB3; }
QHeaderView::section {
  background: #EEF2F6; border: none; border-right: 1px solid #D3DBE4;
  border-bottom: 1px solid #C5D0DC; padding: 3px 4px; color: #3A4A5C;
}
QProgressBar {
  border: 1px solid #B8C5D3; border-radius: 3px; background: #FFFFFF; text-align: center;
}
QProgressBar::chunk { background: #4C8FD6; border-radius: 2px; }
QLabel#标签_动态 { color: #2F6FB3; }
QLabel#标签_banbenjieguo { color: #3A4A5C; }
QLabel#标签_banbenjieguo[newer="true"] { color: #B3402F; font-weight: bold; }
QLabel#画板1 {
  background: rgba(255, 255, 255, 235); border: 1px solid #A9C2DE; border-radius: 6px;
  color: #2F6FB3;
}
)";

}  // namespace

void ApplyLook(QApplication& app, int number) {
  if (number != kStartupLook) return;
  app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  app.setPalette(CalmPalette());
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPointSize(9);
  font.setStyleHint(QFont::SansSerif);
  app.setFont(font);
  app.setStyleSheet(QString::fromUtf8(kStyleSheet));
}

}  // namespace albumdl::app
