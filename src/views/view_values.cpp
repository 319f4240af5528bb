#include "views/view_values.h"

namespace albumdl {

bool ViewValues::DuplicateSwitch() const {
  std::lock_guard lock(mutex_);
  return duplicateSwitch_;
}

void ViewValues::SetDuplicateSwitch(bool on) {
  std::lock_guard lock(mutex_);
  duplicateSwitch_ = on;
}

bool ViewValues::DebugSwitch() const {
  std::lock_guard lock(mutex_);
  return debugSwitch_;
}

void ViewValues::SetDebugSwitch(bool on) {
  std::lock_guard lock(mutex_);
  debugSwitch_ = on;
}

Text ViewValues::SaveFolder() const {
  std::lock_guard lock(mutex_);
  return saveFolder_;
}

void ViewValues::SetSaveFolder(const Text& folder) {
  std::lock_guard lock(mutex_);
  saveFolder_ = folder;
}

int ViewValues::PictureLanes() const {
  std::lock_guard lock(mutex_);
  return pictureLanes_;
}

void ViewValues::SetPictureLanes(int lanes) {
  std::lock_guard lock(mutex_);
  pictureLanes_ = lanes < 1 ? 1 : lanes > kMostPictureLanes ? kMostPictureLanes : lanes;
}

bool ViewValues::SyncSwitch() const {
  std::lock_guard lock(mutex_);
  return syncSwitch_;
}

void ViewValues::SetSyncSwitch(bool on) {
  std::lock_guard lock(mutex_);
  syncSwitch_ = on;
}

bool ViewValues::LinkDuplicatesSwitch() const {
  std::lock_guard lock(mutex_);
  return linkDuplicatesSwitch_;
}

void ViewValues::SetLinkDuplicatesSwitch(bool on) {
  std::lock_guard lock(mutex_);
  linkDuplicatesSwitch_ = on;
}

}  // namespace albumdl
