// --screenshot-pages: walks the window through its pages as a user would
// (addresses, fetched albums, a download under way, the settings page after
// its update check, the login page) and photographs each into a folder, then
// closes the window.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace albumdl::app {

class MainWindow;

class ScreenshotTour : public QObject {
 public:
  ScreenshotTour(MainWindow& window, QString folder);
  void Start();
  bool Failed() const { return failed_; }

 private:
  // Runs next once ready() holds, or after timeoutMs in any case.
  void When(std::function<bool()> ready, int timeoutMs, std::function<void()> next);
  void After(int ms, std::function<void()> next);
  void Shoot(const QString& name);

  MainWindow& window_;
  QString folder_;
  bool retrieved_ = false;
  bool ranOut_ = false;
  bool checked_ = false;
  bool loaded_ = false;
  bool failed_ = false;
};

}  // namespace albumdl::app
