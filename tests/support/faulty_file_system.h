// A file system that fails on purpose, over the real one: a disk that fills up
// part-way through a file, renames, hard links or new folders refused,
// everything under a folder read-only, a close() that fails after every byte
// went in. Only paths under `under` are touched by the faults.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace albumdl::testing {

class FaultyFileSystem : public platform::FileSystem {
 public:
  // Native folder whose paths meet the faults; empty: every path.
  std::string under;
  // Bytes that still fit on the disk: a write beyond them stores what fits,
  // then fails with ENOSPC. Unset: room for everything.
  std::optional<long long> spaceLeft;
  int renameError = 0;      // renames fail with this errno (0: they work)
  int linkError = 0;        // hard links fail with this errno (EXDEV: across file systems)
  int folderError = 0;      // making a folder fails with this errno
  int folderFailures = -1;  // ... this many times, then works (-1: every time)
  bool readOnly = false;    // every change fails with EROFS
  // The real file system writes the file whole, and then its close() fails
  // with this errno, as on a network file system, where the data reaches the
  // server only then (0: closes work).
  int closeError = 0;

  int failures() const { return failures_; }

  platform::FileStatus CreateFolders(const platform::NativePath& folder) override;
  platform::FileStatus WriteFile(const platform::NativePath& file, const Bytes& bytes) override;
  platform::FileStatus WriteNewFile(const platform::NativePath& file, const Bytes& bytes,
                                    bool sync) override;
  platform::FileStatus Rename(const platform::NativePath& from,
                              const platform::NativePath& to) override;
  platform::FileStatus Link(const platform::NativePath& existing,
                            const platform::NativePath& newName) override;
  platform::FileStatus Remove(const platform::NativePath& file) override;
  platform::FileStatus SyncFolder(const platform::NativePath& folder) override;
  std::optional<Bytes> Read(const platform::NativePath& file) override;
  std::vector<std::string> List(const platform::NativePath& folder) override;
  bool IsFolder(const platform::NativePath& path) override;
  bool IsFile(const platform::NativePath& path) override;

 private:
  bool Affects(const platform::NativePath& path) const;
  platform::FileStatus Fail(int error);
  platform::FileStatus Write(const platform::NativePath& file, const Bytes& bytes, bool mustBeNew,
                             bool sync);

  std::mutex mutex_;
  std::atomic<int> failures_{0};
};

}  // namespace albumdl::testing
