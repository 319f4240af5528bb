#include "download/safe_name.h"

namespace albumdl {

namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x80; }

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

}  // namespace

bool HasControlCharacters(const Text& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c)) {
      ++i;  // the trail byte is part of the character, whatever its value
      continue;
    }
    if (IsControl(c)) return true;
  }
  return false;
}

bool IsSafeNamePart(const Text& text) {
  if (text.empty()) return false;
  char previous = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c)) {
      ++i;
      previous = 0;
      continue;
    }
    if (IsControl(c) || c == '\\' || c == '/') return false;
    if (c == '.' && previous == '.') return false;
    previous = static_cast<char>(c);
  }
  return true;
}

bool IsPlainDecimal(const Text& text) {
  if (text.empty() || text.size() > 20) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace albumdl
