#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <random>

#include "platform/code_page.h"

namespace albumdl::platform {
namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// A name beside the target that no other writer picks: the process id, a
// counter and a random part, so threads and parallel processes never share it.
std::string TemporaryNameFor(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 random{std::random_device{}()};
  const fs::path path(target);
  // Shortened, so that a target name near the length limit still leaves room.
  const std::string name = "." + path.filename().string().substr(0, 180) + ".part-" +
                           std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                           std::to_string(random() % 1000000);
  return (path.parent_path() / name).string();
}

}  // namespace

std::string NativePath(const std::string& gbkPath) {
  std::string native = WideToMultiByte(65001, MultiByteToWide(936, gbkPath));
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

std::string FromNativePath(const std::string& nativePath) {
  return WideToMultiByte(936, MultiByteToWide(65001, nativePath));
}

bool MakeSureDirectoryPathExists(const std::string& gbkPath) {
  // Like the Windows call, everything after the last separator is a file name
  // and is not created.
  const std::string native = NativePath(gbkPath);
  const size_t last = native.rfind('/');
  if (last == std::string::npos) return true;
  const std::string folder = last == 0 ? "/" : native.substr(0, last);
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec);
}

bool PathIsDirectoryA(const std::string& gbkPath) {
  std::error_code ec;
  return !gbkPath.empty() && fs::is_directory(NativePath(gbkPath), ec);
}

bool FileExists(const std::string& gbkPath) {
  std::error_code ec;
  const auto status = fs::status(NativePath(gbkPath), ec);
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool WriteWholeFile(const std::string& gbkPath, const std::string& bytes) {
  const int fd =
      ::open(NativePath(gbkPath).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes);
  return ::close(fd) == 0 && written;
}

std::optional<std::string> ReadWholeFile(const std::string& gbkPath) {
  const int fd = ::open(NativePath(gbkPath).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
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

bool WriteFileAtomically(const std::string& gbkPath, const std::string& bytes) {
  const std::string target = NativePath(gbkPath);
  if (target.empty() || target.back() == '/') return false;
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = TemporaryNameFor(target);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  // The data must be on disk before the rename makes it visible under the
  // real name, or a crash could leave the target empty.
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // Make the rename itself durable; failing that is no reason to report the
  // write as failed, the new file is in place.
  const std::string folder = fs::path(target).parent_path().string();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool RenameFile(const std::string& fromGbk, const std::string& toGbk) {
  return ::rename(NativePath(fromGbk).c_str(), NativePath(toGbk).c_str()) == 0;
}

bool RemoveFile(const std::string& gbkPath) { return ::unlink(NativePath(gbkPath).c_str()) == 0; }

}  // namespace albumdl::platform
