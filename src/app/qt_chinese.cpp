#include "app/qt_chinese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace albumdl::app {

bool SpeakChinese(QCoreApplication& app) {
  static const char kInstalled[] = "albumdl-qt-chinese";
  if (app.property(kInstalled).isValid()) return app.property(kInstalled).toBool();
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  QLocale::setDefault(chinese);
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  bool base = false;
  // qtbase: dialogs, message boxes, text edits' menus; qtwebengine: the
  // viewer's menu.
  for (const char* catalogue : {"qtbase", "qtwebengine"}) {
    auto* translator = new QTranslator(&app);
    if (translator->load(chinese, QString::fromLatin1(catalogue), QStringLiteral("_"), folder)) {
      app.installTranslator(translator);
      base = base || QLatin1String(catalogue) == QLatin1String("qtbase");
    } else {
      delete translator;
    }
  }
  app.setProperty(kInstalled, base);
  return base;
}

}  // namespace albumdl::app
