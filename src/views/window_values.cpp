#include "views/window_values.h"

namespace albumdl {

bool WindowValues::DuplicateSwitch() const {
  std::lock_guard lock(mutex_);
  return duplicateSwitch_;
}

void WindowValues::SetDuplicateSwitch(bool on) {
  std::lock_guard lock(mutex_);
  duplicateSwitch_ = on;
}

bool WindowValues::DebugSwitch() const {
  std::lock_guard lock(mutex_);
  return debugSwitch_;
}

void WindowValues::SetDebugSwitch(bool on) {
  std::lock_guard lock(mutex_);
  debugSwitch_ = on;
}

Text WindowValues::SaveFolder() const {
  std::lock_guard lock(mutex_);
  return saveFolder_;
}

void WindowValues::SetSaveFolder(const Text& folder) {
  std::lock_guard lock(mutex_);
  saveFolder_ = folder;
}

}  // namespace albumdl
