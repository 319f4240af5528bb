#include "text/text.h"

#include <algorithm>
#include <climits>

#include "platform/code_page.h"

namespace albumdl {
namespace {

using platform::CharLength;

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares what with text at i. Letter case is folded for single-byte
// characters only: the trail byte of a double-byte character may look like an
// ASCII letter, and folding it would turn one character into another.
bool MatchesAt(const Text& text, size_t i, const Text& what, bool anyCase) {
  if (text.size() - i < what.size()) return false;
  for (size_t j = 0; j < what.size();) {
    if (CharLength(what, j) == 2) {
      if (text[i + j] != what[j] || text[i + j + 1] != what[j + 1]) return false;
      j += 2;
    } else {
      if (anyCase ? FoldAscii(text[i + j]) != FoldAscii(what[j]) : text[i + j] != what[j]) {
        return false;
      }
      ++j;
    }
  }
  return true;
}

// First character boundary at or after index from, walking from the boundary
// at (a known character start).
size_t BoundaryAtOrAfter(const Text& text, size_t at, size_t from) {
  while (at < from && at < text.size()) at += CharLength(text, at);
  return at;
}

// 0-based index of the first match that starts on a character boundary at or
// after from, walking from the known boundary at; npos when there is none.
size_t FindFrom(const Text& text, const Text& what, size_t at, size_t from, bool anyCase) {
  for (size_t i = BoundaryAtOrAfter(text, at, from); i < text.size(); i += CharLength(text, i)) {
    if (MatchesAt(text, i, what, anyCase)) return i;
  }
  return Text::npos;
}

bool BlankAt(const Text& text, size_t i) {
  if (text[i] == ' ') return true;
  return i + 1 < text.size() && static_cast<unsigned char>(text[i]) == 0xA1 &&
         static_cast<unsigned char>(text[i + 1]) == 0xA1;
}

Text ChangeCase(const Text& text, char from, char to) {
  Text out = text;
  for (size_t i = 0; i < out.size(); i += CharLength(out, i)) {
    if (out[i] >= from && out[i] <= static_cast<char>(from + 25)) {
      out[i] = static_cast<char>(out[i] - from + to);
    }
  }
  return out;
}

Text UpToFirstZero(Text text) {
  const size_t zero = text.find('\0');
  if (zero != Text::npos) text.resize(zero);
  return text;
}

}  // namespace

int TextFind(const Text& text, const Text& what, int start, bool anyCase) {
  if (start < 1) start = 1;
  if (static_cast<size_t>(start) > text.size()) return -1;
  if (what.empty()) return 1;
  const size_t found = FindFrom(text, what, 0, static_cast<size_t>(start - 1), anyCase);
  return found == Text::npos ? -1 : static_cast<int>(found) + 1;
}

int TextFindLast(const Text& text, const Text& what, bool anyCase) {
  if (what.empty()) return -1;
  int last = -1;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (MatchesAt(text, i, what, anyCase)) last = static_cast<int>(i) + 1;
  }
  return last;
}

Text TextReplace(const Text& text, const Text& what, const Text& with, int start, int count,
                 bool caseSensitive) {
  if (text.empty() || what.empty() || count == 0) return text;
  const size_t from = start < 1 ? 0 : static_cast<size_t>(start - 1);
  Text out;
  size_t copied = 0;  // text before this index is in out already
  size_t at = 0;      // a character boundary to walk on from
  int replaced = 0;
  while (count < 0 || replaced < count) {
    const size_t found = FindFrom(text, what, at, std::max(from, copied), !caseSensitive);
    if (found == Text::npos) break;
    out.append(text, copied, found - copied);
    out += with;
    copied = found + what.size();
    at = found;
    ++replaced;
  }
  out.append(text, copied, Text::npos);
  return out;
}

std::vector<Text> TextSplit(const Text& text, const Text& separator, int maxPieces) {
  std::vector<Text> pieces;
  if (text.empty() || maxPieces == 0) return pieces;
  if (separator.empty()) return {text};
  size_t pieceStart = 0;
  while (maxPieces < 0 || static_cast<int>(pieces.size()) < maxPieces) {
    const size_t found = FindFrom(text, separator, pieceStart, pieceStart, false);
    if (found == Text::npos) {
      if (pieceStart < text.size()) pieces.push_back(text.substr(pieceStart));
      break;
    }
    pieces.push_back(text.substr(pieceStart, found - pieceStart));
    pieceStart = found + separator.size();
  }
  return pieces;
}

Text TextTrimLeft(const Text& text) {
  size_t i = 0;
  while (i < text.size() && BlankAt(text, i)) i += CharLength(text, i);
  return text.substr(i);
}

Text TextTrimRight(const Text& text) {
  // Walk forward: only a forward walk knows where characters start, and a
  // trailing A1 A1 may be the trail of one character and the lead of another.
  size_t end = 0;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (!BlankAt(text, i)) end = i + CharLength(text, i);
  }
  return text.substr(0, end);
}

Text TextTrim(const Text& text) { return TextTrimRight(TextTrimLeft(text)); }

Text TextRemoveBlanks(const Text& text) {
  Text out;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (!BlankAt(text, i)) out.append(text, i, CharLength(text, i));
  }
  return out;
}

Text TextLeft(const Text& text, int n) {
  if (n < 1) return {};
  return text.substr(0, static_cast<size_t>(n));
}

Text TextRight(const Text& text, int n) {
  if (n < 1) return {};
  const size_t k = std::min(static_cast<size_t>(n), text.size());
  return text.substr(text.size() - k);
}

Text TextMid(const Text& text, int start, int n) {
  if (start < 1 || static_cast<size_t>(start) > text.size() || n < 1) return {};
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n));
}

Text TextLower(const Text& text) { return ChangeCase(text, 'A', 'a'); }
Text TextUpper(const Text& text) { return ChangeCase(text, 'a', 'A'); }

long long TextToInt(const Text& text) {
  // Full-width forms to half-width first: the digits, signs and space of
  // code page 936 row A3 (A3 A1..A3 FE are U+FF01..U+FF5E) and the
  // full-width space A1 A1. Other double-byte characters end the number.
  Text half;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (CharLength(text, i) == 1) {
      half += text[i];
      continue;
    }
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      half += static_cast<char>(trail - 0x80);
    } else if (lead == 0xA1 && trail == 0xA1) {
      half += ' ';
    } else {
      half += '\x01';  // not a blank, sign or digit
    }
  }
  size_t i = 0;
  while (i < half.size() && (half[i] == ' ' || (half[i] >= '\t' && half[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < half.size() && (half[i] == '-' || half[i] == '+')) negative = half[i++] == '-';
  // Accumulate towards the sign so that LLONG_MIN is reachable; saturate on
  // overflow instead of wrapping into a wrong number.
  long long value = 0;
  for (; i < half.size() && half[i] >= '0' && half[i] <= '9'; ++i) {
    const int digit = half[i] - '0';
    if (negative) {
      if (value < (LLONG_MIN + digit) / 10) return LLONG_MIN;
      value = value * 10 - digit;
    } else {
      if (value > (LLONG_MAX - digit) / 10) return LLONG_MAX;
      value = value * 10 + digit;
    }
  }
  return value;
}

Text TextHex(long long value) {
  static const char kDigits[] = "0123456789ABCDEF";
  unsigned long long v = static_cast<unsigned long long>(value);
  Text out;
  do {
    out.insert(out.begin(), kDigits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  return out;
}

Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker, int start,
                 bool anyCase) {
  // Callers write a double quote inside a marker as the placeholder. The
  // literal is compiled to code page 936, as the markers are.
  static const Text kQuotePlaceholder = "#引号";
  const Text head = TextReplace(startMarker, kQuotePlaceholder, "\"");
  const Text tail = TextReplace(endMarker, kQuotePlaceholder, "\"");
  int pos = TextFind(text, head, start, anyCase);
  if (pos == -1) return {};
  pos += static_cast<int>(head.size());
  const int end = TextFind(text, tail, pos, anyCase);
  if (end == -1) return {};
  return TextMid(text, pos, end - pos);
}

Text UrlEncode(const Text& text, bool keepPlain, bool utf8) {
  if (text.empty()) return {};
  const Bytes bytes = utf8 ? AnsiToUtf8(text) : text;
  Text out;
  for (const char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool plain =
        (c >= 0x2D && c <= 0x39 && c != 0x2F) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (keepPlain && plain) {
      out += ch;
    } else {
      const Text hex = TextHex(c);
      out += '%';
      if (hex.size() < 2) out += '0';
      out += hex;
    }
  }
  return out;
}

Bytes TextToWide(const Text& text, int codePage) {
  const std::u16string wide = platform::MultiByteToWide(codePage, text + '\0');
  Bytes out;
  out.reserve(wide.size() * 2);
  for (const char16_t unit : wide) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

Text WideToText(const Bytes& wide, int codePage) {
  std::u16string units;
  for (size_t i = 0; i + 1 < wide.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(wide[i]) |
                                                static_cast<unsigned char>(wide[i + 1]) << 8);
    units += unit;
    if (unit == 0) break;
  }
  return UpToFirstZero(platform::WideToMultiByte(codePage, units));
}

Text AnsiToUtf8(const Text& text) { return WideToText(TextToWide(text, 936), 65001); }

Text Utf8ToAnsi(const Bytes& utf8) {
  if (utf8.empty()) return {};
  // Plain ASCII reads the same in both: a page's keys, types and numbers (two
  // texts for every picture) need no trip through the converters.
  const bool ascii = std::all_of(utf8.begin(), utf8.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return UpToFirstZero(utf8);
  return UpToFirstZero(platform::WideToMultiByte(936, platform::MultiByteToWide(65001, utf8)));
}

}  // namespace albumdl
