// What the fuzz targets share: a check that stops the run with the failed
// condition, and the character rules their invariants are stated in.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition)                                                                  \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                            \
    }                                                                                          \
  } while (0)

namespace fuzz {

// Where the characters of a code page 936 text start, walking from the first
// byte: a lead byte (0x81 to 0xFE) takes the next byte along, except at the
// end; 0x80 ("€") and 0xFF stand alone.
inline std::vector<bool> CharacterStarts(const std::string& text) {
  std::vector<bool> starts(text.size() + 1, false);
  size_t i = 0;
  while (i < text.size()) {
    starts[i] = true;
    const auto c = static_cast<unsigned char>(text[i]);
    i += c >= 0x81 && c <= 0xFE && i + 1 < text.size() ? 2 : 1;
  }
  starts[text.size()] = true;
  return starts;
}

// Well-formed UTF-8: shortest forms, no surrogates, nothing above U+10FFFF.
inline bool ValidUtf8(const std::string& bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > bytes.size()) return false;
    unsigned long code = length == 1 ? c : c & (0xFF >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
      const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
      if ((t >> 6) != 2) return false;
      code = code << 6 | (t & 0x3F);
    }
    static const unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

// Whether the single-byte character c stands in the text as a character of its
// own (not as the second byte of a double-byte one).
inline bool HasCharacter(const std::string& text, char c) {
  const std::vector<bool> starts = CharacterStarts(text);
  for (size_t i = 0; i < text.size(); ++i) {
    if (starts[i] && text[i] == c) return true;
  }
  return false;
}

inline size_t CountOf(const std::string& text, char c) {
  size_t n = 0;
  for (char x : text) n += x == c;
  return n;
}

}  // namespace fuzz
