#include "app/screenshot_tour.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <memory>
#include <utility>

#include "app/main_window.h"
#include "app/web_viewer.h"

namespace albumdl::app {

ScreenshotTour::ScreenshotTour(MainWindow& window, QString folder)
    : QObject(&window), window_(window), folder_(std::move(folder)) {
  connect(&window_, &MainWindow::retrievalFinished, this, [this] { retrieved_ = true; });
  connect(&window_, &MainWindow::runFinished, this, [this] { ranOut_ = true; });
  connect(&window_, &MainWindow::updateChecked, this, [this] { checked_ = true; });
}

void ScreenshotTour::When(std::function<bool()> ready, int timeoutMs, std::function<void()> next) {
  auto* poll = new QTimer(this);
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  connect(poll, &QTimer::timeout, this, [=] {
    if (!ready() && clock->elapsed() < timeoutMs) return;
    poll->stop();
    poll->deleteLater();
    next();
  });
  poll->start(50);
}

void ScreenshotTour::After(int ms, std::function<void()> next) {
  QTimer::singleShot(ms, this, std::move(next));
}

void ScreenshotTour::Shoot(const QString& name) {
  const QString path = QDir(folder_).filePath(name);
  if (!window_.grab().save(path)) {
    std::fprintf(stderr, "albumdl-gui: cannot write %s\n", qPrintable(path));
    failed_ = true;
    return;
  }
  std::printf("%s\n", qPrintable(path));
  std::fflush(stdout);
}

void ScreenshotTour::Start() {
  QDir().mkpath(folder_);
  const WindowControls& c = window_.Controls();
  When([this] { return window_.StartupFinished(); }, 5000,
       [this, &c] {
         c.toolItems[kToolInput]->trigger();
         After(300, [this, &c] {
           Shoot(QStringLiteral("page-0.png"));
           c.fetchAlbums->click();
           c.toolItems[kToolFetch]->trigger();
           When([this] { return retrieved_; }, 30000,
                [this, &c] {
                  After(300, [this, &c] {
                    Shoot(QStringLiteral("page-1.png"));
                    c.download->click();
                    // Well into the big album, so the bar and the log have something to show.
                    const auto underWay = [this, &c] {
                      return ranOut_ || (c.albumInHand->text().contains(QStringLiteral("[4]")) &&
                                         c.bar->value() >= 40);
                    };
                    When(underWay, 20000, [this, &c] {
                      After(100, [this, &c] {
                        Shoot(QStringLiteral("main-window.png"));
                        c.toolItems[kToolSettings]->trigger();
                        When([this] { return checked_; }, 15000,
                             [this, &c] {
                               After(300, [this, &c] {
                                 Shoot(QStringLiteral("page-2.png"));
                                 c.toolItems[kToolLogin]->trigger();
                                 if (QWebEngineView* view = c.viewer->View())
                                   connect(view, &QWebEngineView::loadFinished, this,
                                           [this] { loaded_ = true; });
                                 When([this] { return loaded_; }, 20000,
                                      [this] {
                                        After(1500, [this] {
                                          Shoot(QStringLiteral("page-3.png"));
                                          window_.close();
                                        });
                                      });
                               });
                             });
                      });
                    });
                  });
                });
         });
       });
}

}  // namespace albumdl::app
