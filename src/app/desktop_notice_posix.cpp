#include "app/desktop_notice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>

namespace albumdl::app {

DesktopNotice::DesktopNotice(QObject* parent) : QObject(parent) {}

void DesktopNotice::Show(const QString& title, const QString& text) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    emit answered(false);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  QVariantMap hints;
  // The desktop finds the program's name and icon by its menu entry.
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("albumdl-gui"));
  call << QStringLiteral("albumdl-gui") << 0u << QStringLiteral("albumdl") << title << text
       << QStringList() << hints << -1;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    const bool shown = !w->isError();
    w->deleteLater();
    emit answered(shown);
  });
}

}  // namespace albumdl::app
