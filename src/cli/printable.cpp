#include "cli/printable.h"

#include <fmt/format.h>

namespace albumdl::cli {

namespace {

// The length of the UTF-8 sequence at the start of text and its code point;
// 0 when the bytes there are not well-formed UTF-8.
size_t Utf8Sequence(std::string_view text, char32_t& codePoint) {
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i) & 0x3F);
  }
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < least || codePoint > 0x10FFFF || surrogate) return 0;
  return length;
}

}  // namespace

std::string Printable(std::string_view utf8, size_t maxCharacters) {
  std::string out;
  size_t characters = 0;
  while (!utf8.empty()) {
    if (characters == maxCharacters) return out + "...";
    ++characters;
    char32_t codePoint = 0;
    const size_t length = Utf8Sequence(utf8, codePoint);
    if (length == 0) {
      out += fmt::format("\\x{:02X}", static_cast<unsigned char>(utf8[0]));
      utf8.remove_prefix(1);
      continue;
    }
    if (codePoint == '\t') {
      out += "\\t";
    } else if (codePoint == '\r') {
      out += "\\r";
    } else if (codePoint == '\n') {
      out += "\\n";
    } else if (codePoint < 0x20 || codePoint == 0x7F) {
      out += fmt::format("\\x{:02X}", static_cast<unsigned>(codePoint));
    } else if ((codePoint >= 0x80 && codePoint <= 0x9F) || codePoint == 0x2028 ||
               codePoint == 0x2029) {
      out += fmt::format("\\u{:04X}", static_cast<unsigned>(codePoint));
    } else {
      out.append(utf8.substr(0, length));
    }
    utf8.remove_prefix(length);
  }
  return out;
}

}  // namespace albumdl::cli
