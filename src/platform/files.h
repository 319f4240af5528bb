// The file system as the program sees it: paths are code page 936 texts with
// "\" separators. Everything goes through the FileSystem of file_system.h.
#pragma once

#include <optional>
#include <string>

#include "platform/file_status.h"
#include "platform/native_path.h"
#include "platform/strings.h"

namespace albumdl::platform {

// Creates every missing folder of a path that ends in "\"; true on success, also
// when the folders exist already. Everything after the last "\" is a file name.
bool MakeSureDirectoryPathExists(const Text& path);
// Makes the folder and every missing folder above it, saying why it could not.
FileStatus MakeFolders(const Text& folder);
// True when the path names an existing folder.
bool PathIsDirectoryA(const Text& path);
bool FileExists(const Text& path);

// Creates or empties the file and writes bytes; false on any failure.
bool WriteWholeFile(const Text& path, const Bytes& bytes);
std::optional<Bytes> ReadWholeFile(const Text& path);
// The one way the program writes a file that must never be seen half-written:
// the bytes go to a temporary name beside the target (a hidden name ending in
// ".part-..."), then the temporary is renamed into place, so the target is
// either the old file or the complete new one. With sync the bytes and the
// rename are on the disk before it returns. On failure nothing is left behind.
FileStatus WriteFileAtomically(const Text& path, const Bytes& bytes, bool sync = true);
// The same for a path already converted (a folder converted once for many files).
FileStatus WriteFileAtomically(const NativePath& target, const Bytes& bytes, bool sync = true);
// The same for a file that exists already under another name: the target
// becomes a second name of it (a hard link), made under a temporary name
// beside the target and renamed into place, so the target is the old file or
// the linked one. Fails as FileSystem::Link does where no link can be made
// (the caller then writes a copy); on failure nothing is left behind.
FileStatus LinkFileAtomically(const NativePath& existing, const NativePath& target);
// True for the temporary names WriteFileAtomically and LinkFileAtomically use (and the older
// ".<name>.part"): what an interrupted write leaves behind.
bool IsTemporaryName(const std::string& nativeName);
bool RenameFile(const Text& from, const Text& to);
bool RemoveFile(const Text& path);

}  // namespace albumdl::platform
