#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace albumdl::platform {
namespace {

FileStatus FromErrno() { return FileStatus::Failed(errno); }

FileStatus WriteAll(int fd, const Bytes& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FromErrno();
    }
    done += static_cast<size_t>(n);
  }
  return {};
}

// Writes and closes; the first failure is the one reported.
FileStatus WriteAndClose(int fd, const Bytes& bytes, bool sync) {
  FileStatus status = WriteAll(fd, bytes);
  if (status.ok() && sync && ::fsync(fd) != 0) status = FromErrno();
  if (::close(fd) != 0 && status.ok()) status = FromErrno();
  return status;
}

class SystemFiles : public FileSystem {
 public:
  FileStatus CreateFolders(const NativePath& folder) override {
    const std::string& path = folder.str();
    if (path.empty()) return FileStatus::Failed(ENOENT);
    // Each missing folder from the top down; one that exists already is fine.
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
      const std::string part = path.substr(0, end);
      if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
        return FromErrno();
      }
      if (end == std::string::npos) break;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return FromErrno();
    return S_ISDIR(info.st_mode) ? FileStatus() : FileStatus::Failed(ENOTDIR);
  }

  FileStatus WriteFile(const NativePath& file, const Bytes& bytes) override {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return FromErrno();
    return WriteAndClose(fd, bytes, false);
  }

  FileStatus WriteNewFile(const NativePath& file, const Bytes& bytes, bool sync) override {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return FromErrno();
    return WriteAndClose(fd, bytes, sync);
  }

  FileStatus Rename(const NativePath& from, const NativePath& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0 ? FileStatus() : FromErrno();
  }

  FileStatus Link(const NativePath& existing, const NativePath& newName) override {
    return ::link(existing.c_str(), newName.c_str()) == 0 ? FileStatus() : FromErrno();
  }

  FileStatus Remove(const NativePath& file) override {
    return ::unlink(file.c_str()) == 0 ? FileStatus() : FromErrno();
  }

  FileStatus SyncFolder(const NativePath& folder) override {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return FromErrno();
    FileStatus status = ::fsync(fd) == 0 ? FileStatus() : FromErrno();
    ::close(fd);
    return status;
  }

  std::optional<Bytes> Read(const NativePath& file) override {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    Bytes bytes;
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        ::close(fd);  // also a folder ends here (EISDIR)
        return std::nullopt;
      }
      if (n == 0) break;
      bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
  }

  std::vector<std::string> List(const NativePath& folder) override {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
  }

  bool IsFolder(const NativePath& path) override {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

  bool IsFile(const NativePath& path) override {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static SystemFiles files;
  return files;
}

}  // namespace albumdl::platform
