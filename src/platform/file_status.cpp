#include "platform/file_status.h"

#include <cerrno>
#include <cstring>

namespace albumdl::platform {
namespace {

// A full disk, or a full quota where the system has quotas (Windows' error
// numbers have none).
bool IsDiskFull(int error) {
#ifdef EDQUOT
  if (error == EDQUOT) return true;
#endif
  return error == ENOSPC;
}

}  // namespace

Text FileStatus::Reason() const {
  if (IsDiskFull(error_)) return "磁盘空间已满";
  switch (error_) {
    case 0:
      return "";
    case EACCES:
    case EPERM:
      return "没有写入权限";
    case EROFS:
      return "磁盘是只读的";
    case ENAMETOOLONG:
      return "文件名太长";
    case ENOENT:
      return "文件夹不存在";
    case ENOTDIR:
    case EEXIST:
      return "路径上有同名的文件";
    case EIO:
      return "磁盘读写出错";
    default:
      // The system's own words are ASCII, which code page 936 holds as is.
      return error_ > 0 ? Text(std::strerror(error_)) : Text("unknown error");
  }
}

bool FileStatus::WillRepeat() const {
  if (IsDiskFull(error_)) return true;
  switch (error_) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOENT:
    case ENOTDIR:
      return true;
    default:
      return false;
  }
}

}  // namespace albumdl::platform
