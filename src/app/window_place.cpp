#include "app/window_place.h"

#include <QString>
#include <QStringList>
#include <algorithm>

#include "app/qt_text.h"
#include "text/settings.h"

namespace albumdl::app {

namespace {

// "1,2,3": whole numbers, nothing else; empty when any is not.
std::vector<int> Numbers(const Text& text) {
  std::vector<int> numbers;
  const QStringList parts = ToQString(text).split(QLatin1Char(','));
  for (const QString& part : parts) {
    bool ok = false;
    const int number = part.trimmed().toInt(&ok);
    if (!ok) return {};
    numbers.push_back(number);
  }
  return numbers;
}

Text Joined(const std::vector<int>& numbers) {
  QStringList parts;
  for (int number : numbers) parts << QString::number(number);
  return ToText(parts.join(QLatin1Char(',')));
}

Text PlaceText(const QRect& rect) {
  if (rect.isEmpty()) return {};
  return Joined({rect.x(), rect.y(), rect.width(), rect.height()});
}

Text WidthsText(const std::array<int, kAlbumColumns>& widths) {
  if (std::all_of(widths.begin(), widths.end(), [](int width) { return width == 0; })) return {};
  return Joined(std::vector<int>(widths.begin(), widths.end()));
}

}  // namespace

WindowPlace SavedWindowPlace() {
  WindowPlace place;
  const Text path = SettingsPath();
  const std::vector<int> rect = Numbers(ReadSetting(path, kWindowSection, kWindowPlaceKey));
  // A size beyond any screen is a damaged file, not a place.
  if (rect.size() == 4 && rect[2] > 0 && rect[3] > 0 && rect[2] <= 20000 && rect[3] <= 20000 &&
      std::abs(rect[0]) <= 100000 && std::abs(rect[1]) <= 100000)
    place.normal = QRect(rect[0], rect[1], rect[2], rect[3]);
  place.maximized = ReadSetting(path, kWindowSection, kWindowMaximizedKey) == "1";
  const std::vector<int> widths = Numbers(ReadSetting(path, kWindowSection, kColumnWidthsKey));
  if (widths.size() == kAlbumColumns) {
    for (int column = 0; column < kAlbumColumns; ++column)
      place.columnWidths[column] = std::clamp(widths[column], 0, 2000);
  }
  return place;
}

void KeepWindowPlace(const WindowPlace& place, const WindowPlace& before) {
  const Text path = SettingsPath();
  if (place.normal != before.normal && !place.normal.isEmpty())
    WriteSetting(path, kWindowSection, kWindowPlaceKey, PlaceText(place.normal));
  if (place.maximized != before.maximized)
    WriteSetting(path, kWindowSection, kWindowMaximizedKey, place.maximized ? "1" : "0");
  if (place.columnWidths != before.columnWidths)
    WriteSetting(path, kWindowSection, kColumnWidthsKey, WidthsText(place.columnWidths));
}

QRect FitToScreen(const QRect& wanted, const QRect& available, const QSize& minimum) {
  if (available.isEmpty()) return wanted;
  QRect fitted = wanted;
  fitted.setWidth(std::max(minimum.width(), std::min(wanted.width(), available.width())));
  fitted.setHeight(std::max(minimum.height(), std::min(wanted.height(), available.height())));
  // Within the screen, its top-left corner first (the title bar stays reachable).
  fitted.moveLeft(std::min(fitted.left(), available.right() + 1 - fitted.width()));
  fitted.moveTop(std::min(fitted.top(), available.bottom() + 1 - fitted.height()));
  fitted.moveLeft(std::max(fitted.left(), available.left()));
  fitted.moveTop(std::max(fitted.top(), available.top()));
  return fitted;
}

}  // namespace albumdl::app
