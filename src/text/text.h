// Text primitives. A Text is a byte string in code page 936 (GBK): a byte of 0x80
// or above starts a double-byte character together with the byte after it, and
// every scanning operation steps over such a pair as one character, so a match
// never starts on a trail byte. Positions are 1-based; -1 means not found. A
// blank is the ASCII space or the full-width space (A1 A1). Letter-case rules
// touch ASCII letters only.
#pragma once

#include <string>
#include <vector>

#include "platform/strings.h"

namespace albumdl {

int TextFind(const Text& text, const Text& what, int start = 1, bool anyCase = false);
int TextFindLast(const Text& text, const Text& what, bool anyCase = false);
// count < 0 means all occurrences.
Text TextReplace(const Text& text, const Text& what, const Text& with = "", int start = 1,
                 int count = -1, bool caseSensitive = true);
// maxPieces < 0 means all pieces.
std::vector<Text> TextSplit(const Text& text, const Text& separator = ",", int maxPieces = -1);
Text TextTrim(const Text& text);
Text TextTrimLeft(const Text& text);
Text TextTrimRight(const Text& text);
Text TextRemoveBlanks(const Text& text);
Text TextLeft(const Text& text, int n);
Text TextRight(const Text& text, int n);
Text TextMid(const Text& text, int start, int n);
Text TextLower(const Text& text);
Text TextUpper(const Text& text);
long long TextToInt(const Text& text);
Text TextHex(long long value);

// The text between the first start marker (searched from start, 0 and 1 both
// meaning the beginning) and the first end marker after it. "#引号" in a marker
// stands for a double quote.
Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker, int start = 0,
                 bool anyCase = false);
Text UrlEncode(const Text& text, bool keepPlain = false, bool utf8 = false);

Text AnsiToUtf8(const Text& text);   // returns UTF-8 bytes
Text Utf8ToAnsi(const Bytes& utf8);  // returns code page 936 bytes
// UTF-16LE bytes of text read in the given code page, terminating zero included.
Bytes TextToWide(const Text& text, int codePage = 65001);
// Text in the given code page from UTF-16LE bytes, ending at the first zero byte.
Text WideToText(const Bytes& wide, int codePage = 936);

}  // namespace albumdl
