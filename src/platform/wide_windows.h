// UTF-8 <-> UTF-16 for the wide-character calls of Windows, and paths in the
// long form those calls take past 260 characters. Only the Windows halves of
// this folder include it.
#pragma once

#include <string>

namespace albumdl::platform {

std::wstring WideOf(const std::string& utf8);
std::string Utf8Of(const std::wstring& wide);
// A path for the file calls: absolute, "\" separators, and with the prefix
// \\?\ (\\?\UNC\ for a share), which lifts the 260-character limit and takes
// the name as it is. Relative paths are made absolute against the current
// folder first, since the long form knows no relative paths.
std::wstring LongPathOf(const std::string& utf8);

}  // namespace albumdl::platform
