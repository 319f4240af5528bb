// Code-page conversion: MultiByteToWideChar / WideCharToMultiByte with flags 0
// (the system's own on Windows, ICU's tables elsewhere). Supported code pages:
// 936 (windows-936) and 65001 (UTF-8). Characters the target cannot hold come
// out as "?".
#pragma once

#include <cstddef>
#include <string>

namespace albumdl::platform {

std::u16string MultiByteToWide(int codePage, const std::string& bytes);
std::string WideToMultiByte(int codePage, const std::u16string& wide);

// Whether a byte of code page 936 text starts a double-byte character: 0x81
// to 0xFE. 0x80 is a character of its own ("€"), so the byte after it (a "/"
// or a "\", say) is never taken along as its trail byte.
constexpr bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Bytes of the character that starts at i: two for a lead byte with a byte
// after it, else one (a lead byte at the very end stands alone).
inline size_t CharLength(const std::string& text, size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

}  // namespace albumdl::platform
