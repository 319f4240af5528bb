// The file system as the program sees it: paths are code page 936 texts with "\"
// separators; NativePath turns them into this system's UTF-8 paths with "/".
#pragma once

#include <optional>
#include <string>

namespace albumdl::platform {

// GBK path with "\" separators -> native UTF-8 path with "/". Converts first,
// because a GBK trail byte can be 0x5C.
std::string NativePath(const std::string& gbkPath);
// Native UTF-8 path -> GBK path (separators left as they are).
std::string FromNativePath(const std::string& nativePath);

// Creates every missing folder of a path that ends in "\"; true on success, also
// when the folders exist already.
bool MakeSureDirectoryPathExists(const std::string& gbkPath);
// True when the path names an existing folder.
bool PathIsDirectoryA(const std::string& gbkPath);
bool FileExists(const std::string& gbkPath);

// Creates or empties the file and writes bytes; false on any failure.
bool WriteWholeFile(const std::string& gbkPath, const std::string& bytes);
std::optional<std::string> ReadWholeFile(const std::string& gbkPath);
// Writes to a temporary name beside the target, flushes, then renames into
// place: the target is either the old file or the complete new one.
bool WriteFileAtomically(const std::string& gbkPath, const std::string& bytes);
bool RenameFile(const std::string& fromGbk, const std::string& toGbk);
bool RemoveFile(const std::string& gbkPath);

}  // namespace albumdl::platform
