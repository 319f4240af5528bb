// The text primitives and the code-page conversions on any bytes. Beyond not
// crashing: a match lies on a character start and is the first one there is,
// Replace agrees with Find, Split and the separator give the text back, Trim is
// idempotent, numbers read back, GBK and UTF-8 go round trip where they can.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "text/text.h"

using albumdl::Text;

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualFolded(const Text& a, const Text& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

void CheckFind(const Text& text, const Text& what, int start, bool anyCase) {
  const int found = albumdl::TextFind(text, what, start, anyCase);
  if (what.empty() || found == -1) {
    if (!what.empty() && !anyCase) {
      // Not found: no character start at or after start holds it.
      const auto starts = fuzz::CharacterStarts(text);
      for (size_t i = start < 1 ? 0 : static_cast<size_t>(start - 1); i < text.size(); ++i) {
        FUZZ_CHECK(!starts[i] || text.compare(i, what.size(), what) != 0);
      }
    }
    return;
  }
  const size_t at = static_cast<size_t>(found - 1);
  FUZZ_CHECK(found >= 1 && found >= start);
  FUZZ_CHECK(at + what.size() <= text.size());
  FUZZ_CHECK(fuzz::CharacterStarts(text)[at]);
  const Text there = text.substr(at, what.size());
  FUZZ_CHECK(anyCase ? EqualFolded(there, what) : there == what);
  if (!anyCase) {
    const auto starts = fuzz::CharacterStarts(text);
    for (size_t i = start < 1 ? 0 : static_cast<size_t>(start - 1); i < at; ++i) {
      FUZZ_CHECK(!starts[i] || text.compare(i, what.size(), what) != 0);
    }
  }
  // The last match is at or after the first.
  const int last = albumdl::TextFindLast(text, what, anyCase);
  FUZZ_CHECK(start > 1 || last >= found);
}

// Replace, case-sensitive and from the start, is what a walk with Find builds.
void CheckReplace(const Text& text, const Text& what, const Text& with) {
  const Text replaced = albumdl::TextReplace(text, what, with);
  if (what.empty()) {
    FUZZ_CHECK(replaced == text);
    return;
  }
  Text expected;
  size_t copied = 0;
  while (copied < text.size()) {
    const int found = albumdl::TextFind(text, what, static_cast<int>(copied) + 1);
    if (found == -1) break;
    expected += text.substr(copied, static_cast<size_t>(found - 1) - copied) + with;
    copied = static_cast<size_t>(found - 1) + what.size();
  }
  expected += text.substr(copied);
  FUZZ_CHECK(replaced == expected);
  FUZZ_CHECK(albumdl::TextReplace(text, what, with, 1, 0) == text);
}

void CheckSplit(const Text& text, const Text& separator) {
  const auto pieces = albumdl::TextSplit(text, separator);
  if (text.empty()) {
    FUZZ_CHECK(pieces.empty());
    return;
  }
  if (separator.empty()) {
    FUZZ_CHECK(pieces.size() == 1 && pieces[0] == text);
    return;
  }
  Text joined;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += separator;
    joined += pieces[i];
  }
  // A separator at the very end leaves no empty last piece behind.
  FUZZ_CHECK(joined == text || joined + separator == text);
  const auto two = albumdl::TextSplit(text, separator, 2);
  FUZZ_CHECK(two.size() <= 2 && two.size() <= pieces.size() + 1);
  if (!two.empty()) {
    FUZZ_CHECK(two[0] == pieces[0]);
  }
}

bool IsBlankAt(const Text& text, size_t i) {
  return text[i] == ' ' || (i + 1 < text.size() && static_cast<unsigned char>(text[i]) == 0xA1 &&
                            static_cast<unsigned char>(text[i + 1]) == 0xA1);
}

void CheckTrim(const Text& text) {
  const Text trimmed = albumdl::TextTrim(text);
  FUZZ_CHECK(text.find(trimmed) != Text::npos);
  FUZZ_CHECK(albumdl::TextTrim(trimmed) == trimmed);
  FUZZ_CHECK(trimmed.empty() || !IsBlankAt(trimmed, 0));
  FUZZ_CHECK(albumdl::TextTrimLeft(albumdl::TextTrimRight(text)) == trimmed);
  const Text noBlanks = albumdl::TextRemoveBlanks(text);
  FUZZ_CHECK(noBlanks.size() <= text.size());
  FUZZ_CHECK(!fuzz::HasCharacter(noBlanks, ' '));
}

void CheckBetween(const Text& text, const Text& head, const Text& tail, int start, bool anyCase) {
  const Text between = albumdl::TextBetween(text, head, tail, start, anyCase);
  if (between.empty()) return;
  FUZZ_CHECK(text.find(between) != Text::npos);
  if (!anyCase) {
    // The markers say "#引号" for a double quote.
    const Text left = albumdl::TextReplace(head, "#引号", "\"");
    const Text right = albumdl::TextReplace(tail, "#引号", "\"");
    FUZZ_CHECK(text.find(left + between + right) != Text::npos);
  }
}

void CheckNumbers(const Text& text, long long value) {
  albumdl::TextToInt(text);
  FUZZ_CHECK(albumdl::TextToInt(std::to_string(value)) == value);
  FUZZ_CHECK(albumdl::TextToInt("  +" + std::to_string(value < 0 ? 0 : value) + "x") ==
             (value < 0 ? 0 : value));
  // Digits past the range stay at the end of the range.
  FUZZ_CHECK(albumdl::TextToInt(std::to_string(value) + "9999999999999999999") ==
             (value < 0 ? LLONG_MIN : LLONG_MAX));
  const Text hex = albumdl::TextHex(value);
  FUZZ_CHECK(!hex.empty() && hex.size() <= 16);
  FUZZ_CHECK(std::stoull(hex, nullptr, 16) == static_cast<unsigned long long>(value));
}

// Structurally GBK: every byte from 0x81 to 0xFE leads a pair whose trail is
// 0x40..0xFE without 0x7F; no zero byte (conversions stop there).
bool PlainGbk(const Text& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0 || c == 0x80 || c == 0xFF) return false;
    if (c < 0x80) continue;
    if (i + 1 >= text.size()) return false;
    const unsigned char t = static_cast<unsigned char>(text[++i]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
  }
  return true;
}

void CheckConversions(const Text& text) {
  const Text utf8 = albumdl::AnsiToUtf8(text);
  FUZZ_CHECK(fuzz::ValidUtf8(utf8));
  const Text back = albumdl::Utf8ToAnsi(utf8);
  // Every character the code page knows comes back as it was; one it does not
  // know became "?" on the way.
  if (PlainGbk(text) && fuzz::CountOf(utf8, '?') == fuzz::CountOf(text, '?')) {
    FUZZ_CHECK(back == text);
  }
  // The other way, from UTF-8 the site might send.
  const Text ansi = albumdl::Utf8ToAnsi(text);
  const Text again = albumdl::AnsiToUtf8(ansi);
  FUZZ_CHECK(fuzz::ValidUtf8(again));
  if (fuzz::ValidUtf8(text) && text.find('\0') == Text::npos &&
      fuzz::CountOf(ansi, '?') == fuzz::CountOf(text, '?')) {
    FUZZ_CHECK(again == text);
  }
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

void CheckUrlEncode(const Text& text, bool keepPlain, bool utf8) {
  const Text encoded = albumdl::UrlEncode(text, keepPlain, utf8);
  const Text bytes = utf8 ? albumdl::AnsiToUtf8(text) : text;
  Text decoded;
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%') {
      FUZZ_CHECK(i + 2 < encoded.size() && IsHex(encoded[i + 1]) && IsHex(encoded[i + 2]));
      decoded += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      const char c = encoded[i];
      FUZZ_CHECK(keepPlain && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                               (c >= 'a' && c <= 'z') || c == '-' || c == '.'));
      decoded += c;
    }
  }
  FUZZ_CHECK(decoded == bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const Text what = input.ConsumeRandomLengthString(12);
  const Text other = input.ConsumeRandomLengthString(12);
  const int start = input.ConsumeIntegralInRange(-2, 40);
  const bool anyCase = input.ConsumeBool();
  const bool flag = input.ConsumeBool();
  const long long value = input.ConsumeIntegral<long long>();
  const Text text = input.ConsumeRemainingBytesAsString();

  CheckFind(text, what, start, anyCase);
  CheckReplace(text, what, other);
  CheckSplit(text, what);
  CheckTrim(text);
  CheckBetween(text, what, other, start, anyCase);
  CheckNumbers(text, value);
  CheckConversions(text);
  CheckUrlEncode(text, anyCase, flag);
  albumdl::TextLower(text);
  albumdl::TextUpper(text);
  albumdl::TextMid(text, start, static_cast<int>(value % 64));
  albumdl::TextLeft(text, start);
  albumdl::TextRight(text, start);
  return 0;
}
