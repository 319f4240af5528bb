#include "app/settings_page.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

#include "app/qt_text.h"
#include "session/session_setup.h"
#include "text/settings.h"
#include "views/captions.h"

namespace albumdl::app {

namespace {

// Checked when clicked, written when clicked: start-up setting the box writes
// nothing.
void BindSwitch(QObject* owner, QCheckBox* box, void (ViewValues::*set)(bool), ViewValues& values,
                const Text& key) {
  QObject::connect(box, &QCheckBox::toggled, owner, [&values, set](bool on) { (values.*set)(on); });
  QObject::connect(box, &QCheckBox::clicked, owner, [&key](bool on) {
    WriteSetting(SettingsPath(), kSettingsSection, key, on ? "1" : "0");
  });
}

}  // namespace

SettingsPage::SettingsPage(QWidget* window, const WindowControls& controls, ViewValues& values,
                           const Site& site)
    : QObject(window), window_(window), c_(controls), values_(values), site_(site) {
  BindSwitch(this, c_.duplicateSwitch, &ViewValues::SetDuplicateSwitch, values_, kDuplicateKey);
  BindSwitch(this, c_.syncSwitch, &ViewValues::SetSyncSwitch, values_, kSyncKey);
  BindSwitch(this, c_.linkSwitch, &ViewValues::SetLinkDuplicatesSwitch, values_,
             kLinkDuplicatesKey);
  connect(c_.debugSwitch, &QCheckBox::toggled, this,
          [this](bool on) { values_.SetDebugSwitch(on); });
  // The run reads the lanes when it starts; a change is written at once.
  connect(c_.lanes, &QSpinBox::valueChanged, this, [this](int lanes) {
    values_.SetPictureLanes(lanes);
    if (c_.lanes->property("loaded").toBool())
      WriteSetting(SettingsPath(), kSettingsSection, kLanesKey, std::to_string(lanes));
  });

  fields_ = {{c_.siteHost, &Site::siteHost, &kSiteHostKey},
             {c_.imageHost, &Site::imageHost, &kImageHostKey},
             {c_.versionPage, &Site::versionPage, &kVersionPageKey},
             {c_.feedbackPage, &Site::feedbackPage, &kFeedbackPageKey}};
  for (const Field& field : fields_) {
    field.edit->setText(ToQString(site_.*field.address));
    connect(field.edit, &QLineEdit::editingFinished, this, [this, field] { FieldLeft(field); });
  }
  connect(c_.restoreSite, &QPushButton::clicked, this, &SettingsPage::RestoreDefaults);
}

void SettingsPage::Load() {
  c_.duplicateSwitch->setChecked(SavedDuplicateSwitch());
  c_.syncSwitch->setChecked(SavedSyncSwitch());
  c_.linkSwitch->setChecked(SavedLinkDuplicatesSwitch());
  c_.lanes->setValue(SavedPictureLanes());
  values_.SetPictureLanes(c_.lanes->value());
  c_.lanes->setProperty("loaded", true);
}

// A field is taken when it is left: an http or https address goes to the file
// and to the next retrieval; anything else is refused with a message that
// names it, and the field goes back to the address in use.
void SettingsPage::FieldLeft(const Field& field) {
  const Text typed = ToText(field.edit->text());
  const std::optional<Text> address = CheckedSiteAddress(typed);
  if (!address) {
    field.edit->setText(ToQString(site_.*field.address));
    auto* box =
        new QMessageBox(QMessageBox::Warning, ToQString(kMessageTitle),
                        QString::fromUtf8("这不是以 http:// 或 https:// 开头的网址，没有保存：\n") +
                            ToQString(typed),
                        QMessageBox::Ok, window_);
    box->setObjectName(QStringLiteral("网址无法使用"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    return;
  }
  field.edit->setText(ToQString(*address));
  if (*address == site_.*field.address) return;
  site_.*field.address = *address;
  WriteSetting(SettingsPath(), kSiteSection, *field.key, *address);
  emit siteChosen(site_);
}

// An empty key reads as its default, so the file holds no address of its own
// afterwards and follows the program's defaults.
void SettingsPage::RestoreDefaults() {
  const Site defaults;
  for (const Field& field : fields_) {
    WriteSetting(SettingsPath(), kSiteSection, *field.key, "");
    field.edit->setText(ToQString(defaults.*field.address));
  }
  const bool changed =
      site_.siteHost != defaults.siteHost || site_.imageHost != defaults.imageHost ||
      site_.versionPage != defaults.versionPage || site_.feedbackPage != defaults.feedbackPage;
  site_ = defaults;
  if (changed) emit siteChosen(site_);
}

}  // namespace albumdl::app
