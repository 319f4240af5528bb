// What a file operation came to: done, or the system's error number, with the
// reason in words the activity log can show.
#pragma once

#include "platform/strings.h"

namespace albumdl::platform {

class FileStatus {
 public:
  FileStatus() = default;  // done
  static FileStatus Failed(int error) { return FileStatus(error == 0 ? -1 : error); }
  bool ok() const { return error_ == 0; }
  int error() const { return error_; }
  // Code page 936: "磁盘空间已满", "没有写入权限", ... or the system's own words.
  Text Reason() const;
  // True when every other write into the same folder would fail alike: the
  // folder is gone, the disk is full, writing is refused.
  bool WillRepeat() const;

 private:
  explicit FileStatus(int error) : error_(error) {}
  int error_ = 0;
};

}  // namespace albumdl::platform
