// The window's look. Number 13 is the one the window starts with: Qt's Fusion
// style with calm colours, clear buttons and a CJK font; other numbers leave
// the platform's own look.
#pragma once

class QApplication;

namespace albumdl::app {

inline constexpr int kStartupLook = 13;

void ApplyLook(QApplication& app, int number);

}  // namespace albumdl::app
