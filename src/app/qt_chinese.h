// Qt's own words in Chinese, like the program's captions, whatever the
// system's locale: the buttons of message boxes, the folder dialog, the
// context menus of the log and the web viewer. The translations are Qt's own
// (Debian: qt6-translations-l10n); without them Qt stays in English and
// nothing else changes.
#pragma once

class QCoreApplication;

namespace albumdl::app {

// Installs the translations once for the application (later calls do
// nothing) and makes Chinese (China) the default locale, which the web
// viewer's engine takes for its own menus when it starts. True when Qt's base
// translation was found.
bool SpeakChinese(QCoreApplication& app);

}  // namespace albumdl::app
