#include "app/single_window.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace albumdl::app {

namespace {

constexpr char kComeForward[] = "come-forward\n";
constexpr char kComing[] = "coming\n";

}  // namespace

QString SingleWindow::SocketName(const QString& programDirectory) {
  const QByteArray folder = QDir(programDirectory).absolutePath().toUtf8();
  return QStringLiteral("albumdl-gui-") +
         QString::fromLatin1(
             QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(24));
}

SingleWindow::SingleWindow(const QString& programDirectory, QObject* parent)
    : QObject(parent),
      folder_(programDirectory),
      lock_(QDir(programDirectory).filePath(QStringLiteral("albumdl-gui.lock"))) {
  // A lock whose holder is gone (its process id no longer runs) is stale at
  // once; a running holder is never taken over, however long it runs.
  lock_.setStaleLockTime(0);
}

SingleWindow::~SingleWindow() {
  if (server_) server_->close();
  lock_.unlock();
}

bool SingleWindow::Claim() {
  if (!lock_.tryLock(0)) return false;
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  const QString name = SocketName(folder_);
  // The lock is ours, so a socket of that name is a dead program's.
  QLocalServer::removeServer(name);
  server_->listen(name);
  connect(server_.get(), &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* caller = server_->nextPendingConnection()) {
      connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
      connect(caller, &QLocalSocket::readyRead, this, [this, caller] {
        if (!caller->canReadLine()) return;
        if (caller->readLine() != kComeForward) return;
        caller->write(kComing);
        caller->flush();
        emit comeForward();
      });
    }
  });
  return true;
}

bool SingleWindow::CallFirstForward(int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(SocketName(folder_));
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(kComeForward);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  while (!socket.canReadLine()) {
    if (!socket.waitForReadyRead(timeoutMs)) return false;
  }
  return socket.readLine() == kComing;
}

}  // namespace albumdl::app
