#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_system.h"
#include "platform/path_syntax.h"
#include "platform/wide_windows.h"

namespace albumdl::platform {
namespace {

// The system's error in the error numbers the rest of the program knows
// (FileStatus::Reason words them), so that a full disk reads the same on
// every system.
int ErrorNumberOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_PRIVILEGE_NOT_HELD:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      return ENAMETOOLONG;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return EINVAL;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_TOO_MANY_LINKS:
      return EMLINK;
    default:
      return EIO;
  }
}

FileStatus FromLastError() { return FileStatus::Failed(ErrorNumberOf(::GetLastError())); }

// Closes the handle when it goes.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (ok()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  // Closes it now, for the error of the close itself.
  bool Close() {
    const bool closed = ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

DWORD AttributesOf(const NativePath& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesW(LongPathOf(path.str()).c_str());
}

bool IsFolderAttributes(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Others may read, rename and remove a file while we write it, as on POSIX
// systems.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FileStatus WriteAndClose(Handle& file, const Bytes& bytes, bool sync) {
  FileStatus status;
  size_t done = 0;
  while (done < bytes.size() && status.ok()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr)) {
      status = FromLastError();
    }
    done += written;
  }
  if (status.ok() && sync && !::FlushFileBuffers(file.get())) status = FromLastError();
  if (!file.Close() && status.ok()) status = FromLastError();
  return status;
}

FileStatus Write(const NativePath& path, const Bytes& bytes, DWORD disposition, bool sync) {
  if (path.empty()) return FileStatus::Failed(ENOENT);
  Handle file(::CreateFileW(LongPathOf(path.str()).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) {
    const DWORD error = ::GetLastError();
    // A folder of that name answers "access denied"; say what it is.
    if (error == ERROR_ACCESS_DENIED && IsFolderAttributes(AttributesOf(path))) {
      return FileStatus::Failed(EISDIR);
    }
    return FileStatus::Failed(ErrorNumberOf(error));
  }
  return WriteAndClose(file, bytes, sync);
}

class SystemFiles : public FileSystem {
 public:
  FileStatus CreateFolders(const NativePath& folder) override {
    if (folder.empty()) return FileStatus::Failed(ENOENT);
    const std::wstring path = LongPathOf(folder.str());
    // Each missing folder from the top down, after the root; one that exists
    // already is fine.
    const size_t root = RootLength(Utf8Of(path));
    for (size_t end = path.find(L'\\', root);; end = path.find(L'\\', end + 1)) {
      const std::wstring part = path.substr(0, end);
      if (part.size() > root && !::CreateDirectoryW(part.c_str(), nullptr)) {
        const DWORD error = ::GetLastError();
        // Some folders that exist answer "access denied" rather than "exists".
        if (error != ERROR_ALREADY_EXISTS &&
            !IsFolderAttributes(::GetFileAttributesW(part.c_str()))) {
          return FileStatus::Failed(ErrorNumberOf(error));
        }
      }
      if (end == std::wstring::npos) break;
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FromLastError();
    return IsFolderAttributes(attributes) ? FileStatus() : FileStatus::Failed(ENOTDIR);
  }

  FileStatus WriteFile(const NativePath& file, const Bytes& bytes) override {
    return Write(file, bytes, CREATE_ALWAYS, false);
  }

  FileStatus WriteNewFile(const NativePath& file, const Bytes& bytes, bool sync) override {
    return Write(file, bytes, CREATE_NEW, sync);
  }

  // Replaces the target as rename does on POSIX systems.
  FileStatus Rename(const NativePath& from, const NativePath& to) override {
    if (from.empty() || to.empty()) return FileStatus::Failed(ENOENT);
    if (::MoveFileExW(LongPathOf(from.str()).c_str(), LongPathOf(to.str()).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return {};
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED && IsFolderAttributes(AttributesOf(to))) {
      return FileStatus::Failed(EISDIR);
    }
    return FileStatus::Failed(ErrorNumberOf(error));
  }

  // A second name of the same file on the same volume (NTFS); fails where
  // the new name exists, across volumes, on a file system without links.
  FileStatus Link(const NativePath& existing, const NativePath& newName) override {
    if (existing.empty() || newName.empty()) return FileStatus::Failed(ENOENT);
    if (::CreateHardLinkW(LongPathOf(newName.str()).c_str(), LongPathOf(existing.str()).c_str(),
                          nullptr)) {
      return {};
    }
    const DWORD error = ::GetLastError();
    // What FAT and other file systems without links answer.
    if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED) {
      return FileStatus::Failed(EPERM);
    }
    return FileStatus::Failed(ErrorNumberOf(error));
  }

  FileStatus Remove(const NativePath& file) override {
    if (file.empty()) return FileStatus::Failed(ENOENT);
    return ::DeleteFileW(LongPathOf(file.str()).c_str()) ? FileStatus() : FromLastError();
  }

  // Windows has no call that makes a folder's names durable: its file systems
  // journal them, and MoveFileEx above writes through.
  FileStatus SyncFolder(const NativePath& folder) override {
    return IsFolder(folder) ? FileStatus() : FileStatus::Failed(ENOENT);
  }

  std::optional<Bytes> Read(const NativePath& file) override {
    if (file.empty()) return std::nullopt;
    // A folder does not open without FILE_FLAG_BACKUP_SEMANTICS: it ends here.
    Handle handle(::CreateFileW(LongPathOf(file.str()).c_str(), GENERIC_READ, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.ok()) return std::nullopt;
    Bytes bytes;
    char buffer[65536];
    for (;;) {
      DWORD n = 0;
      if (!::ReadFile(handle.get(), buffer, sizeof buffer, &n, nullptr)) return std::nullopt;
      if (n == 0) break;
      bytes.append(buffer, n);
    }
    return bytes;
  }

  std::vector<std::string> List(const NativePath& folder) override {
    std::vector<std::string> names;
    if (folder.empty()) return names;
    std::wstring pattern = LongPathOf(folder.str());
    if (pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW entry;
    const HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                           FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = entry.cFileName;
      if (name != L"." && name != L"..") names.push_back(Utf8Of(name));
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
  }

  bool IsFolder(const NativePath& path) override { return IsFolderAttributes(AttributesOf(path)); }

  bool IsFile(const NativePath& path) override {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static SystemFiles files;
  return files;
}

}  // namespace albumdl::platform
