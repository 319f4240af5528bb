#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <random>

#include "platform/file_system.h"
#include "platform/path_syntax.h"
#include "platform/process_id.h"

namespace albumdl::platform {

namespace {

constexpr char kTemporaryMark[] = ".part";

// A name beside the target that no other writer picks: the process id, a
// counter and a random part, so threads and parallel processes never share it.
// Shortened, so that a target name near the length limit still leaves room.
std::string TemporaryNameFor(const std::string& targetName) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 random{std::random_device{}()};
  size_t keep = std::min<size_t>(targetName.size(), 180);
  // Not inside a UTF-8 character.
  while (keep > 0 && keep < targetName.size() &&
         (static_cast<unsigned char>(targetName[keep]) & 0xC0) == 0x80) {
    --keep;
  }
  // Appended piece by piece: GCC 12 misreads "-" + std::string&& (an insert
  // at the front) as an overlapping copy and warns (-Wrestrict) in optimised
  // builds.
  std::string name = ".";
  name.append(targetName, 0, keep).append(kTemporaryMark);
  name.append("-").append(std::to_string(ThisProcessId()));
  name.append("-").append(std::to_string(counter++));
  name.append("-").append(std::to_string(random() % 1000000));
  return name;
}

}  // namespace

bool MakeSureDirectoryPathExists(const Text& path) {
  // Like the Windows call, everything after the last separator is a file name
  // and is not created.
  const std::string native = NativePathOf(path).str();
  size_t end = native.size();
  while (end > 0 && !IsNativeSeparator(native[end - 1])) --end;
  if (end == 0) return true;
  // Without its last separator, unless that is the root's.
  const NativePath folder =
      NativePath::FromSystem(native.substr(0, std::max(end - 1, RootLength(native))));
  return Files().CreateFolders(folder).ok();
}

FileStatus MakeFolders(const Text& folder) { return Files().CreateFolders(NativePathOf(folder)); }

bool PathIsDirectoryA(const Text& path) { return Files().IsFolder(NativePathOf(path)); }

bool FileExists(const Text& path) { return Files().IsFile(NativePathOf(path)); }

bool WriteWholeFile(const Text& path, const Bytes& bytes) {
  return Files().WriteFile(NativePathOf(path), bytes).ok();
}

std::optional<Bytes> ReadWholeFile(const Text& path) { return Files().Read(NativePathOf(path)); }

FileStatus WriteFileAtomically(const Text& path, const Bytes& bytes, bool sync) {
  return WriteFileAtomically(NativePathOf(path), bytes, sync);
}

namespace {

// A new file made by makeNew under a temporary name beside target, a fresh
// name while the one tried is taken; temporary is the name it got.
template <typename MakeNew>
FileStatus MakeBeside(const NativePath& target, NativePath& temporary, MakeNew makeNew) {
  FileStatus status = FileStatus::Failed(EEXIST);
  for (int attempt = 0; attempt < 16 && status.error() == EEXIST; ++attempt) {
    temporary = target.Parent() / TemporaryNameFor(target.Name());
    status = makeNew(temporary);
  }
  return status;
}

bool NamesAFolder(const NativePath& target) {
  return target.empty() || IsNativeSeparator(target.str().back());
}

}  // namespace

FileStatus WriteFileAtomically(const NativePath& target, const Bytes& bytes, bool sync) {
  if (NamesAFolder(target)) return FileStatus::Failed(EISDIR);
  FileSystem& files = Files();
  NativePath temporary;
  FileStatus status = MakeBeside(target, temporary, [&](const NativePath& name) {
    return files.WriteNewFile(name, bytes, sync);
  });
  if (status.ok()) status = files.Rename(temporary, target);
  if (!status.ok()) {
    if (status.error() != EEXIST) files.Remove(temporary);
    return status;
  }
  // Makes the rename itself durable; failing that is no reason to report the
  // write as failed, the new file is in place.
  if (sync) files.SyncFolder(target.Parent());
  return {};
}

FileStatus LinkFileAtomically(const NativePath& existing, const NativePath& target) {
  if (NamesAFolder(target)) return FileStatus::Failed(EISDIR);
  FileSystem& files = Files();
  NativePath temporary;
  FileStatus status = MakeBeside(
      target, temporary, [&](const NativePath& name) { return files.Link(existing, name); });
  if (!status.ok()) return status;
  status = files.Rename(temporary, target);
  // Renaming one name of a file over another name of the same file does
  // nothing and leaves both (the target was a link to it already): the
  // temporary name goes either way.
  files.Remove(temporary);
  return status;
}

bool IsTemporaryName(const std::string& name) {
  if (name.size() < 7 || name.front() != '.') return false;
  if (name.ends_with(kTemporaryMark)) return true;
  // ".<name>.part-<pid>-<n>-<random>"
  const size_t mark = name.rfind(std::string(kTemporaryMark) + "-");
  if (mark == std::string::npos) return false;
  int dashes = 0;
  for (size_t i = mark + sizeof kTemporaryMark - 1; i < name.size(); ++i) {
    if (name[i] == '-') {
      ++dashes;
    } else if (name[i] < '0' || name[i] > '9') {
      return false;
    }
  }
  return dashes == 3;
}

bool RenameFile(const Text& from, const Text& to) {
  return Files().Rename(NativePathOf(from), NativePathOf(to)).ok();
}

bool RemoveFile(const Text& path) { return Files().Remove(NativePathOf(path)).ok(); }

}  // namespace albumdl::platform
