// The window's two speed goals, measured on the real window:
//   start-up: from main() (and from the process start) until the window has
//             painted and finished its start-up sequence (goal: under 1 s);
//   list:     10,000 albums appended to the album list from a worker thread,
//             as a retrieval appends them, until the table holds them all and
//             has painted (goal: under 1 s);
//   log:      100,000 appends to the activity log through the engine's Window
//             interface from a worker thread, in rounds of 1,000; each round is
//             timed from its first append until the window has painted its
//             last line, and the median per append is printed (goal: under
//             1 ms), with the spread over the rounds and the latency of a
//             single line from append to screen.
// Without a display the window draws off screen (QT_QPA_PLATFORM=offscreen).
// Run: build/default/bench/bench_window
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "platform/files.h"
#include "platform/program_directory.h"

namespace {

using Clock = std::chrono::steady_clock;
using albumdl::app::MainWindow;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Seconds since the process started, from the kernel's record of it.
double SecondsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::vector<std::string> fields;
  size_t at = close + 2;
  while (at < text.size()) {
    const size_t space = text.find(' ', at);
    fields.push_back(text.substr(at, space - at));
    if (space == std::string::npos) break;
    at = space + 1;
  }
  // Field 22 of the whole line (starttime) is the 20th after the name.
  if (fields.size() < 20) return -1;
  const double started = std::stod(fields[19]) / static_cast<double>(sysconf(_SC_CLK_TCK));
  std::ifstream uptimeFile("/proc/uptime");
  double uptime = 0;
  uptimeFile >> uptime;
  return uptime - started;
}

// Notes, after each paint of the log, how many lines stood in it then.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QPlainTextEdit* log) : log_(log) {
    log->viewport()->installEventFilter(this);
  }

  // Waits (off the window thread) until a paint has shown at least lines.
  Clock::time_point WaitPainted(int lines) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return painted_ >= lines; });
    return paintedAt_;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || inside_) return false;
    // The paint is done here, so that the time taken is after it.
    inside_ = true;
    QCoreApplication::sendEvent(watched, event);
    inside_ = false;
    const int lines = log_->document()->blockCount() - 1;
    {
      std::lock_guard lock(mutex_);
      painted_ = lines;
      paintedAt_ = Clock::now();
    }
    changed_.notify_all();
    return true;
  }

 private:
  QPlainTextEdit* log_;
  bool inside_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  int painted_ = 0;
  Clock::time_point paintedAt_;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point mainStart = Clock::now();
  const double beforeMain = SecondsSinceProcessStart();
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  char home[] = "/tmp/bench_window.XXXXXX";
  if (mkdtemp(home) == nullptr) return 1;
  albumdl::platform::SetProgramDirectory(
      albumdl::platform::TextPathOf(albumdl::platform::NativePath::FromSystem(home)));

  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  albumdl::app::WindowSetup setup;
  MainWindow window(setup);
  window.show();
  Clock::time_point painted;
  // A loop of our own: quitting the application would close the window.
  QEventLoop waiting;
  QObject::connect(&window, &MainWindow::startupFinished, [&painted, &waiting] {
    painted = Clock::now();
    waiting.quit();
  });
  waiting.exec();
  std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
  std::printf("start-up, main() to painted window and start-up done:  %7.1f ms\n",
              Ms(painted - mainStart));
  std::printf("start-up, process start to the same:                   %7.1f ms (10 ms steps)\n",
              beforeMain * 1000 + Ms(painted - mainStart));

  // The album list: a large retrieval's worth of albums.
  window.findChild<QTabWidget*>(QStringLiteral("选择夹1"))->setCurrentIndex(1);
  {
    constexpr int kAlbums = 10000;
    auto* table = window.findChild<QTableView*>(QStringLiteral("超级列表框1"));
    albumdl::AlbumList& albums = window.Engine().Albums();
    const Clock::time_point start = Clock::now();
    std::thread retrieval([&albums] {
      for (int i = 0; i < kAlbums; ++i) {
        albumdl::Album album;
        album.serial = i + 1;
        album.kind = "board";
        album.lineNumber = i + 1;
        album.id = "board-" + std::to_string(i + 1);
        album.title = albumdl::app::ToText(QStringLiteral("画板 %1 风景壁纸").arg(i + 1));
        album.pictureCount = 100 + i % 400;
        album.ticked = true;
        albums.AppendRow(std::move(album));
      }
    });
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (table->model()->rowCount() < kAlbums) return;
      table->viewport()->repaint();
      waiting.quit();
    });
    poll.start();
    waiting.exec();
    poll.stop();
    const Clock::time_point shown = Clock::now();
    retrieval.join();
    std::printf("list: %d albums appended, held and painted after       %7.1f ms\n", kAlbums,
                Ms(shown - start));
  }

  // The log, 100 rounds of 1,000 lines.
  // The log is on the fetch page, which must be in front to be painted.
  window.findChild<QTabWidget*>(QStringLiteral("选择夹1"))->setCurrentIndex(1);
  auto* log = window.findChild<QPlainTextEdit*>(QStringLiteral("编辑框_操作记录"));
  PaintWatch watch(log);
  const int kRounds = 100;
  const int kPerRound = 1000;
  std::vector<double> perAppend;      // ms per append of each round, to its painted end
  std::vector<double> singleLatency;  // ms from one lone append to its paint
  std::vector<albumdl::Text> lines;
  lines.reserve(kRounds * kPerRound);
  for (int i = 0; i < kRounds * kPerRound; ++i) {
    lines.push_back(
        albumdl::app::ToText(QStringLiteral("第[%1]个图片 下载完成，已保存为 %1_%2.jpg\r\n")
                                 .arg(i + 1)
                                 .arg(1000000 + i)));
  }
  albumdl::Views& engine = window.Engine();
  Clock::time_point allStart;
  Clock::time_point allEnd;
  std::thread writer([&] {
    allStart = Clock::now();
    int written = 0;  // lines in the log
    int next = 0;     // of lines
    for (int round = 0; round < kRounds; ++round) {
      const Clock::time_point start = Clock::now();
      for (int i = 0; i < kPerRound; ++i, ++written) engine.Tell(albumdl::LogLine{lines[next++]});
      const Clock::time_point end = watch.WaitPainted(written);
      perAppend.push_back(Ms(end - start) / kPerRound);
      if (round % 10 == 9) {
        // One line on its own, as a slow run writes them.
        const Clock::time_point alone = Clock::now();
        engine.Tell(albumdl::LogLine{albumdl::app::ToText(QStringLiteral("单独一行\r\n"))});
        singleLatency.push_back(Ms(watch.WaitPainted(++written) - alone));
      }
    }
    allEnd = Clock::now();
    QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
  });
  waiting.exec();
  writer.join();

  const int total = kRounds * kPerRound + static_cast<int>(singleLatency.size());
  std::printf("log: %d appends, all painted after                   %7.1f ms\n", total,
              Ms(allEnd - allStart));
  std::printf(
      "log: per append, to the painted end, median of %d rounds of %d: %.4f ms "
      "(fastest %.4f, slowest %.4f)\n",
      kRounds, kPerRound, Median(perAppend), *std::min_element(perAppend.begin(), perAppend.end()),
      *std::max_element(perAppend.begin(), perAppend.end()));
  std::printf("log: a lone line, append to painted, median:           %7.2f ms\n",
              Median(singleLatency));
  std::printf("log: lines in the log at the end:                      %d\n",
              log->document()->blockCount() - 1);

  window.close();
  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  return 0;
}
