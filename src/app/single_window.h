// One window per program directory: two windows on the same settings, record
// stores and viewer profile would overwrite each other's work. The first start
// holds a lock file in the program directory and listens on a local socket
// named after the directory; a second start finds the lock taken, asks the
// first window to come forward through the socket, and ends.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace albumdl::app {

class SingleWindow : public QObject {
  Q_OBJECT

 public:
  // programDirectory: native path.
  explicit SingleWindow(const QString& programDirectory, QObject* parent = nullptr);
  ~SingleWindow() override;

  // True when this start is the only one on the program directory: the lock
  // is taken (a lock left by a program that died is taken over) and the first
  // window can be called forward from now on.
  bool Claim();
  // For a second start: asks the window that holds the lock to come forward.
  // Waits at most timeoutMs for the answer, before any window of its own
  // exists. False when no window answered.
  bool CallFirstForward(int timeoutMs = 2000);

  // The socket's name for a program directory.
  static QString SocketName(const QString& programDirectory);

 signals:
  // A second start asked this window to come forward.
  void comeForward();

 private:
  QString folder_;
  QLockFile lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace albumdl::app
