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

}  // namespace albumdl
