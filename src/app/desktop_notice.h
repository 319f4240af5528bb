// A notification on the desktop: through the desktop's notification service
// (org.freedesktop.Notifications on the session bus) when there is one. The
// call is sent and never waited for: without a service nothing is shown (the
// task bar entry is still marked, QApplication::alert). Windows has no such
// service; the task bar entry is the notice there.
#pragma once

#include <QObject>
#include <QString>

namespace albumdl::app {

class DesktopNotice : public QObject {
  Q_OBJECT

 public:
  explicit DesktopNotice(QObject* parent = nullptr);
  void Show(const QString& title, const QString& text);

 signals:
  // The service's answer to a Show: true when it took the notification.
  void answered(bool shown);
};

}  // namespace albumdl::app
