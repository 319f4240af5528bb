#include "support/faulty_file_system.h"

#include <cerrno>

#include "support/close_failure.h"

namespace albumdl::testing {

using platform::FileStatus;
using platform::NativePath;

namespace {
platform::FileSystem& Real() { return platform::RealFileSystem(); }
}  // namespace

bool FaultyFileSystem::Affects(const NativePath& path) const {
  return under.empty() || path.str().rfind(under, 0) == 0;
}

FileStatus FaultyFileSystem::Fail(int error) {
  ++failures_;
  return FileStatus::Failed(error);
}

FileStatus FaultyFileSystem::CreateFolders(const NativePath& folder) {
  if (Affects(folder) && !Real().IsFolder(folder)) {
    if (readOnly) return Fail(EROFS);
    if (folderError != 0 && folderFailures != 0) {
      if (folderFailures > 0) --folderFailures;
      return Fail(folderError);
    }
  }
  return Real().CreateFolders(folder);
}

FileStatus FaultyFileSystem::Write(const NativePath& file, const Bytes& bytes, bool mustBeNew,
                                   bool sync) {
  if (!Affects(file)) {
    return mustBeNew ? Real().WriteNewFile(file, bytes, sync) : Real().WriteFile(file, bytes);
  }
  if (readOnly) return Fail(EROFS);
  std::lock_guard lock(mutex_);
  if (spaceLeft && static_cast<long long>(bytes.size()) > *spaceLeft) {
    // The disk takes what fits, as a real one does, and then refuses.
    const Bytes part = bytes.substr(0, static_cast<size_t>(*spaceLeft));
    const FileStatus written =
        mustBeNew ? Real().WriteNewFile(file, part, sync) : Real().WriteFile(file, part);
    if (written.ok()) *spaceLeft = 0;
    return Fail(ENOSPC);
  }
  FailNextClose(closeError);
  const FileStatus written =
      mustBeNew ? Real().WriteNewFile(file, bytes, sync) : Real().WriteFile(file, bytes);
  FailNextClose(0);
  if (written.ok() && spaceLeft) *spaceLeft -= static_cast<long long>(bytes.size());
  if (closeError != 0 && written.error() == closeError) ++failures_;
  return written;
}

FileStatus FaultyFileSystem::WriteFile(const NativePath& file, const Bytes& bytes) {
  return Write(file, bytes, false, false);
}

FileStatus FaultyFileSystem::WriteNewFile(const NativePath& file, const Bytes& bytes, bool sync) {
  return Write(file, bytes, true, sync);
}

FileStatus FaultyFileSystem::Rename(const NativePath& from, const NativePath& to) {
  if (Affects(to)) {
    if (readOnly) return Fail(EROFS);
    if (renameError != 0) return Fail(renameError);
  }
  return Real().Rename(from, to);
}

FileStatus FaultyFileSystem::Link(const NativePath& existing, const NativePath& newName) {
  if (Affects(newName)) {
    if (readOnly) return Fail(EROFS);
    if (linkError != 0) return Fail(linkError);
  }
  return Real().Link(existing, newName);
}

FileStatus FaultyFileSystem::Remove(const NativePath& file) {
  if (Affects(file) && readOnly) return Fail(EROFS);
  return Real().Remove(file);
}

FileStatus FaultyFileSystem::SyncFolder(const NativePath& folder) {
  return Real().SyncFolder(folder);
}

std::optional<Bytes> FaultyFileSystem::Read(const NativePath& file) { return Real().Read(file); }

std::vector<std::string> FaultyFileSystem::List(const NativePath& folder) {
  return Real().List(folder);
}

bool FaultyFileSystem::IsFolder(const NativePath& path) { return Real().IsFolder(path); }

bool FaultyFileSystem::IsFile(const NativePath& path) { return Real().IsFile(path); }

}  // namespace albumdl::testing
