// Where the window was and how wide the album list's columns were, kept in
// the settings file (section 窗口) from one start to the next, and a place
// that fits the screen the window opens on.
#pragma once

#include <QRect>
#include <QSize>
#include <array>

#include "app/album_table_model.h"

namespace albumdl::app {

struct WindowPlace {
  QRect normal;  // the window's place when not maximized; empty: not kept
  bool maximized = false;
  std::array<int, kAlbumColumns> columnWidths{};  // 0: not kept

  bool operator==(const WindowPlace&) const = default;
};

// From the settings file; what is missing or malformed reads as not kept.
WindowPlace SavedWindowPlace();
// Writes each key whose value differs from before (so a window that was
// neither moved nor resized writes nothing).
void KeepWindowPlace(const WindowPlace& place, const WindowPlace& before);

// wanted, moved and shrunk (never below minimum) until it lies within
// available, the part of the screen windows may take.
QRect FitToScreen(const QRect& wanted, const QRect& available, const QSize& minimum);

}  // namespace albumdl::app
