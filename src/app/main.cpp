// albumdl-gui: the album downloader's window.
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QStringConverter>
#include <QTextStream>
#include <cstdio>
#include <memory>

#include "app/app_options.h"
#include "app/main_window.h"
#include "app/qt_chinese.h"
#include "app/qt_text.h"
#include "app/screenshot_tour.h"
#include "app/single_window.h"
#include "net/proxy.h"
#include "platform/native_path.h"
#include "session/session_setup.h"

namespace {

using namespace albumdl::app;

// A refused set-up is told in a message box that names what was refused, and
// on the console; the program then ends with status 2, as the command line
// does. The box is opened, not run in an event loop of its own.
// Shows box (named for tests) as the program's only window and ends the
// program with status once the user closes it.
int ShowAndEnd(QApplication& app, QMessageBox* box, const QString& name, int status) {
  box->setObjectName(name);
  box->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(box, &QMessageBox::finished, &app, [&app, status] { app.exit(status); });
  box->open();
  app.exec();
  return status;
}

int ShowRefusal(QApplication& app, const albumdl::SetupRefusal& refusal) {
  const QString value = QFile::decodeName(QByteArray::fromStdString(refusal.value));
  std::fprintf(stderr, "albumdl-gui: %s %s: %s\n", refusal.option.c_str(), qPrintable(value),
               refusal.reason.c_str());
  auto* box = new QMessageBox(QMessageBox::Critical, QString::fromUtf8("信息："),
                              QString::fromUtf8("无法使用 %1：\n%2\n\n%3")
                                  .arg(QString::fromStdString(refusal.option), value,
                                       QString::fromStdString(refusal.reason)),
                              QMessageBox::Ok);
  return ShowAndEnd(app, box, QStringLiteral("设置无法使用"), 2);
}

// A second start on a program directory a window already works on: the first
// window comes forward and this start ends. When it does not answer, the
// user is told that it runs.
int SayItRuns(QApplication& app, SingleWindow& single) {
  if (single.CallFirstForward()) {
    std::fprintf(stderr,
                 "albumdl-gui: a window already works on this program directory; it was brought "
                 "forward\n");
    return 0;
  }
  std::fprintf(stderr, "albumdl-gui: a window already works on this program directory\n");
  auto* box = new QMessageBox(QMessageBox::Information, QString::fromUtf8("信息："),
                              QString::fromUtf8("程序已经在运行，同一个程序目录只能打开一个窗口。"),
                              QMessageBox::Ok);
  return ShowAndEnd(app, box, QStringLiteral("程序已经在运行"), 1);
}

// The viewer's browser engine goes through the program's proxy too.
void UseProxyInViewer(const albumdl::Text& proxy) {
  if (proxy.empty()) return;
  const QUrl address = QUrl::fromUserInput(QString::fromStdString(proxy));
  const bool socks = address.scheme().startsWith(QStringLiteral("socks"));
  QNetworkProxy::setApplicationProxy(
      QNetworkProxy(socks ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy, address.host(),
                    static_cast<quint16>(address.port(socks ? 1080 : 80))));
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
  SpeakChinese(app);
  albumdl::SessionSetup made =
      albumdl::SetUpSession({.site = options.site.toStdString(),
                             .imageHost = options.imageHost.toStdString(),
                             .home = QFile::encodeName(options.home).toStdString(),
                             .proxy = options.proxy.toStdString()});
  if (!made.session) return ShowRefusal(app, made.refusal);
  UseProxyInViewer(albumdl::DefaultProxy());

  WindowSetup setup;
  setup.session = made.session.get();
  setup.pace = options.pace;
  if (!options.addressesFile.isEmpty()) {
    QFile file(options.addressesFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
      std::fprintf(stderr, "albumdl-gui: cannot read %s\n", qPrintable(options.addressesFile));
      return 2;
    }
    setup.addresses = QString::fromUtf8(file.readAll()).trimmed();
  }

  // One window per program directory: a second start calls the first one
  // forward and ends; it never works on the same settings and stores.
  SingleWindow single(QString::fromStdString(
      albumdl::platform::NativePathOf(made.session->programDirectory).str()));
  if (!single.Claim()) return SayItRuns(app, single);

  // The controls inside the window join their threads when it goes, after the
  // event loop has ended.
  MainWindow window(setup);
  QObject::connect(&single, &SingleWindow::comeForward, &window, &MainWindow::ComeForward);
  window.show();
  std::unique_ptr<ScreenshotTour> tour;
  if (!options.screenshotsDir.isEmpty()) {
    tour = std::make_unique<ScreenshotTour>(window, options.screenshotsDir);
    tour->Start();
  }
  const int status = app.exec();
  return tour && tour->Failed() ? 1 : status;
}
