// Every file operation of the program goes through one FileSystem: writing,
// renaming, linking, making folders, listing and removing. The real one calls the
// system; tests put in one that fails on purpose (a full disk, a refused
// rename, a read-only folder) to see that nothing is lost or half-written.
// Paths are native; files.h offers the same over the program's Text paths.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/file_status.h"
#include "platform/native_path.h"

namespace albumdl::platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Makes the folder and every missing folder above it; done when it exists.
  virtual FileStatus CreateFolders(const NativePath& folder) = 0;
  // Creates the file, or empties it, and writes the bytes.
  virtual FileStatus WriteFile(const NativePath& file, const Bytes& bytes) = 0;
  // Creates a file that must not exist yet (EEXIST otherwise) and writes the
  // bytes; with sync, they are on the disk before it returns.
  virtual FileStatus WriteNewFile(const NativePath& file, const Bytes& bytes, bool sync) = 0;
  virtual FileStatus Rename(const NativePath& from, const NativePath& to) = 0;
  // Gives an existing file a second name (a hard link): one file, two names.
  // The new name must not exist yet (EEXIST). Fails (EXDEV, EPERM, EMLINK)
  // where the file system cannot: across file systems, on one without links.
  virtual FileStatus Link(const NativePath& existing, const NativePath& newName) = 0;
  virtual FileStatus Remove(const NativePath& file) = 0;
  // Makes the names in a folder durable (after a rename).
  virtual FileStatus SyncFolder(const NativePath& folder) = 0;
  virtual std::optional<Bytes> Read(const NativePath& file) = 0;
  // The names in a folder; empty when it cannot be read.
  virtual std::vector<std::string> List(const NativePath& folder) = 0;
  virtual bool IsFolder(const NativePath& path) = 0;
  virtual bool IsFile(const NativePath& path) = 0;
};

// The file system the program uses now: the real one unless a test put in
// another.
FileSystem& Files();

// Puts another file system in place for as long as it lives (tests). Set it up
// before the threads that use it start.
class FileSystemOverride {
 public:
  explicit FileSystemOverride(FileSystem& replacement);
  ~FileSystemOverride();
  FileSystemOverride(const FileSystemOverride&) = delete;
  FileSystemOverride& operator=(const FileSystemOverride&) = delete;

 private:
  FileSystem* previous_;
};

// The file system of the system itself.
FileSystem& RealFileSystem();

// True when a file can be made in the folder, found by making one (and
// removing it) through Files(): a folder's attributes tell nothing on Windows
// (its read-only flag does not stop writes), and its access rights are the
// system's to weigh.
bool FolderTakesWrites(const NativePath& folder);

}  // namespace albumdl::platform
