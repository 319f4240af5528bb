#include "platform/file_status.h"

#include <cerrno>
#include <cstring>

namespace albumdl::platform {

Text FileStatus::Reason() const {
  switch (error_) {
    case 0:
      return "";
    case ENOSPC:
#ifdef EDQUOT  // not on Windows
    case EDQUOT:
#endif
      return "磁盘空间已满";
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
  switch (error_) {
    case ENOSPC:
    case EDQUOT:
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
