#include <windows.h>

#include "platform/code_page.h"

namespace albumdl::platform {
namespace {

// The two code pages the program speaks; 0 is the ANSI code page, which the
// program takes to be 936 as the settings file is.
UINT CodePageOf(int codePage) {
  if (codePage == 936 || codePage == 0) return 936;
  if (codePage == 65001) return CP_UTF8;
  return 0;
}

}  // namespace

std::u16string MultiByteToWide(int codePage, const std::string& bytes) {
  const UINT page = CodePageOf(codePage);
  if (page == 0 || bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int n = ::MultiByteToWideChar(page, 0, bytes.data(), length, nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<size_t>(n), u'\0');
  ::MultiByteToWideChar(page, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

// Code page 936 has no character outside the Basic Multilingual Plane, and the
// system's call puts a "?" for each half of a surrogate pair; the program puts
// one "?" for each character it cannot hold, so a pair becomes one character
// the code page lacks first.
std::u16string OnePerCharacter(const std::u16string& wide) {
  std::u16string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    const char16_t c = wide[i];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
                      wide[i + 1] <= 0xDFFF;
    out.push_back(pair ? u'\uFFFF' : c);
    if (pair) ++i;
  }
  return out;
}

std::string WideToMultiByte(int codePage, const std::u16string& text) {
  const UINT page = CodePageOf(codePage);
  if (page == 0 || text.empty()) return {};
  const std::u16string wide = page == CP_UTF8 ? text : OnePerCharacter(text);
  const auto* data = reinterpret_cast<const wchar_t*>(wide.data());
  const int length = static_cast<int>(wide.size());
  // Code page 936 puts its default character, "?", for what it lacks; UTF-8
  // takes no default character.
  const int n = ::WideCharToMultiByte(page, 0, data, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(page, 0, data, length, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace albumdl::platform
