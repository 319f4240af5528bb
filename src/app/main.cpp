// albumdl-gui: the album downloader's window.
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QStringConverter>
#include <QTextStream>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/app_options.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/screenshot_tour.h"
#include "platform/files.h"
#include "platform/program_directory.h"
#include "site/site.h"
#include "text/settings.h"

namespace {

using albumdl::Text;
using namespace albumdl::app;

// A configured address never ends in "/": the site's paths are appended to it.
Text SiteAddress(const QString& url) {
  QString address = url.trimmed();
  while (address.endsWith(QLatin1Char('/'))) address.chop(1);
  return ToText(address);
}

bool UseHome(const QString& home) {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(home.toStdString(), error);
  if (error) return false;
  std::filesystem::create_directories(path, error);
  if (!std::filesystem::is_directory(path, error)) return false;
  albumdl::platform::SetProgramDirectory(albumdl::platform::TextPathOf(
      albumdl::platform::NativePath::FromSystem(path.lexically_normal().string())));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // The options first: --help and mistakes need no display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  AppOptions options;
  if (const auto status = ParseAppOptions(arguments, options)) return *status;

  // The web viewer's browser engine refuses to start as root with its sandbox,
  // and takes the whole program down with it when the login page is opened.
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    std::fprintf(stderr, "albumdl-gui: running as root: the web viewer runs without its sandbox\n");
  }

  // The web viewer shares its drawing context with the window.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("albumdl-gui"));
  // The desktop's task bar matches the window with its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("albumdl-gui"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("albumdl")));
  if (!options.home.isEmpty() && !UseHome(options.home)) {
    std::fprintf(stderr, "albumdl-gui: cannot use %s as the program directory\n",
                 qPrintable(options.home));
    return 2;
  }

  WindowSetup setup;
  setup.site = albumdl::ReadSiteSettings(albumdl::SettingsPath());
  if (!options.site.isEmpty()) {
    setup.site.siteHost = SiteAddress(options.site);
    // The stand-in site serves the version and feedback pages as well.
    setup.site.imageHost = setup.site.siteHost + "/img";
    setup.site.versionPage = setup.site.siteHost + "/version";
    setup.site.feedbackPage = setup.site.siteHost + "/feedback";
  }
  if (!options.imageHost.isEmpty()) setup.site.imageHost = SiteAddress(options.imageHost);
  setup.pace = options.pace;
  if (!options.addressesFile.isEmpty()) {
    QFile file(options.addressesFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
      std::fprintf(stderr, "albumdl-gui: cannot read %s\n", qPrintable(options.addressesFile));
      return 2;
    }
    setup.addresses = QString::fromUtf8(file.readAll()).trimmed();
  }

  // The controls inside the window join their threads when it goes, after the
  // event loop has ended.
  MainWindow window(setup);
  window.show();
  std::unique_ptr<ScreenshotTour> tour;
  if (!options.screenshotsDir.isEmpty()) {
    tour = std::make_unique<ScreenshotTour>(window, options.screenshotsDir);
    tour->Start();
  }
  const int status = app.exec();
  return tour && tour->Failed() ? 1 : status;
}
