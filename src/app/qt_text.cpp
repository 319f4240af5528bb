#include "app/qt_text.h"

#include "platform/code_page.h"

namespace albumdl::app {

namespace {
constexpr int kCodePage936 = 936;
}

QString ToQString(const Text& text) {
  if (text.empty()) return {};
  return QString::fromStdU16String(platform::MultiByteToWide(kCodePage936, text));
}

Text ToText(const QString& text) {
  if (text.isEmpty()) return {};
  return platform::WideToMultiByte(kCodePage936, text.toStdU16String());
}

}  // namespace albumdl::app
