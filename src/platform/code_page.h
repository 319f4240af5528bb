// Code-page conversion: MultiByteToWideChar / WideCharToMultiByte with flags 0
// (the system's own on Windows, ICU's tables elsewhere). Supported code pages:
// 936 (windows-936) and 65001 (UTF-8). Characters the target cannot hold come
// out as "?".
#pragma once

#include <string>

namespace albumdl::platform {

std::u16string MultiByteToWide(int codePage, const std::string& bytes);
std::string WideToMultiByte(int codePage, const std::u16string& wide);

}  // namespace albumdl::platform
