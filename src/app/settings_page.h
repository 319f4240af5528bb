// The settings page's controls bound to what they set: each switch and the
// pictures fetched at once go to the values the engine reads and, when the
// user changes them, to the settings file; the four site addresses are
// checked when a field is left, written to section 站点设置 and handed on as
// the site of the next retrieval or run.
#pragma once

#include <QObject>
#include <QString>

#include "app/window_controls.h"
#include "session/site_addresses.h"
#include "views/view_values.h"

class QLineEdit;
class QWidget;

namespace albumdl::app {

class SettingsPage : public QObject {
  Q_OBJECT

 public:
  // window: the parent of the message boxes. site: the session's site now.
  SettingsPage(QWidget* window, const WindowControls& controls, ViewValues& values,
               const Site& site);

  // Start-up: the settings file's values into the controls and the values;
  // nothing is written back.
  void Load();
  // The addresses the fields hold now.
  const Site& ChosenSite() const { return site_; }

 signals:
  // The user changed an address (or restored the defaults): the site from
  // the next retrieval or run on.
  void siteChosen(const Site& site);

 private:
  struct Field {
    QLineEdit* edit;
    Text Site::*address;
    const Text* key;
  };
  void FieldLeft(const Field& field);
  void RestoreDefaults();

  QWidget* window_;
  WindowControls c_;
  ViewValues& values_;
  Site site_;
  std::vector<Field> fields_;
};

}  // namespace albumdl::app
