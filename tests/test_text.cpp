// Text primitives over code page 936 bytes. Literals here are compiled to GBK,
// so "中" is D6 D0 and "乗" is 81 5C: a character whose trail byte is "\".
#include <gtest/gtest.h>

#include <climits>

#include "text/file_helpers.h"
#include "text/safe_name.h"
#include "text/text.h"

namespace albumdl {
namespace {

Bytes Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(TextSearch, NeverMatchesOnATrailByte) {
  ASSERT_EQ(Text("乗"), Text("\x81\x5C"));
  EXPECT_EQ(TextFind("乗", "\\"), -1);
  EXPECT_EQ(TextFindLast("乗", "\\"), -1);
  EXPECT_EQ(TextFind("乗\\", "\\"), 3);
  EXPECT_EQ(TextFindLast("\\乗", "\\"), 1);
  // Starting on the trail byte of 中 must not find a match that begins there.
  EXPECT_EQ(TextFind("中a",
                     "\xD0"
                     "a",
                     2),
            -1);
  EXPECT_EQ(TextFind("中文", "文"), 3);
}

TEST(TextSearch, StartPositions) {
  EXPECT_EQ(TextFind("abcabc", "b", 0), 2);
  EXPECT_EQ(TextFind("abcabc", "b", -5), 2);
  EXPECT_EQ(TextFind("abcabc", "b", 3), 5);
  EXPECT_EQ(TextFind("abcabc", "c", 6), 6);
  EXPECT_EQ(TextFind("abcabc", "c", 7), -1);
  EXPECT_EQ(TextFind("abc", "abcd"), -1);
  EXPECT_EQ(TextFind("abc", "", 2), 1);
  EXPECT_EQ(TextFind("abc", "", 4), -1);
  EXPECT_EQ(TextFind("", ""), -1);
}

TEST(TextSearch, AnyCaseFoldsAsciiOnly) {
  EXPECT_EQ(TextFind("Hello", "LL"), -1);
  EXPECT_EQ(TextFind("Hello", "LL", 1, true), 3);
  EXPECT_EQ(TextFindLast("aXbx", "X", true), 4);
  // 癆 is B0 41 and 癮 is B0 61: different characters whose trail bytes look
  // like A and a.
  EXPECT_EQ(TextFind("癆", "癮", 1, true), -1);
  EXPECT_EQ(TextFind("x癆", "X癆", 1, true), 1);
}

TEST(TextReplace, OccurrencesStartAndCount) {
  EXPECT_EQ(TextReplace("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(TextReplace("abab", "ab", "x", 2), "abx");
  EXPECT_EQ(TextReplace("ababab", "ab", "x", 1, 2), "xxab");
  EXPECT_EQ(TextReplace("abab", "ab", "x", 1, 0), "abab");
  EXPECT_EQ(TextReplace("ABab", "ab", "x", 1, -1, false), "xx");
  EXPECT_EQ(TextReplace("ABab", "ab", "x"), "ABx");
  EXPECT_EQ(TextReplace("abc", "", "x"), "abc");
  EXPECT_EQ(TextReplace("", "a", "x"), "");
  // The replacement is not searched again.
  EXPECT_EQ(TextReplace("a", "a", "aa"), "aa");
  // D0 CE is the end of 中 and the start of 文: not a character of the text.
  EXPECT_EQ(TextReplace("中文", "\xD0\xCE", "x"), "中文");
  EXPECT_EQ(TextReplace("乗\\乗", "\\", "/"), "乗/乗");
}

TEST(TextSplit, Pieces) {
  using V = std::vector<Text>;
  EXPECT_EQ(TextSplit("a\r\n\r\nb\r\n", "\r\n"), (V{"a", "", "b"}));
  EXPECT_EQ(TextSplit(",a,,b"), (V{"", "a", "", "b"}));
  EXPECT_EQ(TextSplit("a,b,c", ",", 2), (V{"a", "b"}));
  EXPECT_EQ(TextSplit("a,b", ",", 0), V{});
  EXPECT_EQ(TextSplit("", ","), V{});
  EXPECT_EQ(TextSplit("a,b", ""), V{"a,b"});
  EXPECT_EQ(TextSplit("abc", ";"), V{"abc"});
  EXPECT_EQ(TextSplit("乗x\\y", "\\"), (V{"乗x", "y"}));
}

TEST(TextTrim, BlanksAreSpaceAndFullWidthSpace) {
  EXPECT_EQ(TextTrim("　 a b　 "), "a b");
  EXPECT_EQ(TextTrim("\tab "), "\tab");
  EXPECT_EQ(TextTrim("　"), "");
  EXPECT_EQ(TextTrimLeft("　 a "), "a ");
  EXPECT_EQ(TextTrimRight(" a　"), " a");
  EXPECT_EQ(TextRemoveBlanks("a　b c\t"), "abc\t");
  // B0 A1 is one character; the A1 after it stands alone. The last two bytes
  // A1 A1 are therefore not a full-width space.
  EXPECT_EQ(TextTrimRight("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
  EXPECT_EQ(TextRemoveBlanks("\xB0\xA1\xA1\xB0"), "\xB0\xA1\xA1\xB0");
  // Nearly every Chinese title ends in a double-byte character: kept whole.
  EXPECT_EQ(TextTrim(" 风景相册 "), "风景相册");
  EXPECT_EQ(TextTrim("　乗"), "乗");
  EXPECT_EQ(TextTrimRight("中"), "中");
}

TEST(TextCut, BytePositionsAndBounds) {
  EXPECT_EQ(TextLeft("abc", 5), "abc");
  EXPECT_EQ(TextLeft("abc", 0), "");
  EXPECT_EQ(TextLeft("中", 1), "\xD6");
  EXPECT_EQ(TextRight("abc", 2), "bc");
  EXPECT_EQ(TextRight("abc", 9), "abc");
  EXPECT_EQ(TextRight("abc", -1), "");
  EXPECT_EQ(TextMid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(TextMid("abcdef", 5, 10), "ef");
  EXPECT_EQ(TextMid("abcdef", 0, 2), "");
  EXPECT_EQ(TextMid("abcdef", 7, 1), "");
  EXPECT_EQ(TextMid("abcdef", 2, 0), "");
}

TEST(TextCase, AsciiLettersOnly) {
  EXPECT_EQ(TextLower("AbC中Z"), "abc中z");
  EXPECT_EQ(TextUpper("abc中z"), "ABC中Z");
  EXPECT_EQ(TextLower("癆A"), "癆a");  // the trail byte 41 stays
  EXPECT_EQ(TextUpper("癮a"), "癮A");  // the trail byte 61 stays
  // The edges of the letter ranges, and their neighbours, which are no letters.
  EXPECT_EQ(TextLower("@AZ[`az{"), "@az[`az{");
  EXPECT_EQ(TextUpper("@AZ[`az{"), "@AZ[`AZ{");
  EXPECT_EQ(TextFind("xAZ", "az", 1, true), 2);
  EXPECT_EQ(TextFind("xaz", "AZ", 1, true), 2);
  EXPECT_EQ(TextFind("@[", "`{", 1, true), -1);
}

TEST(TextToInt, HalfAndFullWidth) {
  EXPECT_EQ(TextToInt("123abc"), 123);
  EXPECT_EQ(TextToInt(" \t-42"), -42);
  EXPECT_EQ(TextToInt("+7"), 7);
  EXPECT_EQ(TextToInt("1 2"), 1);
  EXPECT_EQ(TextToInt("- 5"), 0);
  EXPECT_EQ(TextToInt("abc"), 0);
  EXPECT_EQ(TextToInt(""), 0);
  EXPECT_EQ(TextToInt("－１２３"), -123);
  EXPECT_EQ(TextToInt("　＋１2"), 12);
  EXPECT_EQ(TextToInt("１２中３"), 12);
  EXPECT_EQ(TextToInt("-9223372036854775808"), LLONG_MIN);
  EXPECT_EQ(TextToInt("99999999999999999999"), LLONG_MAX);  // saturates, no wrap
}

TEST(TextHex, UpperCaseWithoutLeadingZeros) {
  EXPECT_EQ(TextHex(0), "0");
  EXPECT_EQ(TextHex(10), "A");
  EXPECT_EQ(TextHex(0x1F), "1F");
  EXPECT_EQ(TextHex(0xABCDEF), "ABCDEF");
}

TEST(TextBetween, MarkersAndPlaceholder) {
  const Text json = "{\"name\":\"相册\",\"count\":12}";
  EXPECT_EQ(TextBetween(json, "#引号name#引号:#引号", "#引号"), "相册");
  EXPECT_EQ(TextBetween(json, "\"count\":", "}"), "12");
  // The placeholder always turns into a quote, so its own text cannot be sought.
  EXPECT_EQ(TextBetween("[#引号]", "[#引号", "]"), "");
  EXPECT_EQ(TextBetween("b]x[a", "[", "]"), "");  // end marker only before start
  EXPECT_EQ(TextBetween("x[]y", "[", "]"), "");
  EXPECT_EQ(TextBetween("x[a", "[", "]"), "");
  EXPECT_EQ(TextBetween("xa]", "[", "]"), "");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", 0), "a");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", 1), "a");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", 4), "b");
  EXPECT_EQ(TextBetween("<B>x</b>", "<b>", "</B>", 0, true), "x");
  EXPECT_EQ(TextBetween("<B>x</b>", "<b>", "</B>"), "");
}

TEST(TextUrlEncode, Flags) {
  EXPECT_EQ(UrlEncode("中 ", true, true), "%E4%B8%AD%20");
  EXPECT_EQ(UrlEncode("中 ", true, false), "%D6%D0%20");
  EXPECT_EQ(UrlEncode("a-b.c_d", true), "a-b.c%5Fd");
  EXPECT_EQ(UrlEncode("09AZaz/~*+", true), "09AZaz%2F%7E%2A%2B");
  EXPECT_EQ(UrlEncode("a\x01"), "%61%01");
  EXPECT_EQ(UrlEncode(""), "");
}

TEST(TextConversion, Utf8AndCodePage936) {
  EXPECT_EQ(AnsiToUtf8("中文abc"), Utf8(u8"中文abc"));
  EXPECT_EQ(Utf8ToAnsi(Utf8(u8"中文abc")), "中文abc");
  EXPECT_EQ(Utf8ToAnsi(Utf8(u8"€")), "\x80");
  EXPECT_EQ(AnsiToUtf8("\x80"), Utf8(u8"€"));
  EXPECT_EQ(Utf8ToAnsi(Utf8(u8"\u3000")), "\xA1\xA1");
  // Characters code page 936 lacks: one "?" each, also for a surrogate pair.
  EXPECT_EQ(Utf8ToAnsi(Utf8(u8"a\u0E01b")), "a?b");
  EXPECT_EQ(Utf8ToAnsi(Utf8(u8"a\U0001F600b")), "a?b");
  EXPECT_EQ(Utf8ToAnsi(Bytes("ab\0cd", 5)), "ab");
  EXPECT_EQ(Utf8ToAnsi(""), "");
  EXPECT_EQ(AnsiToUtf8(""), "");
}

TEST(TextConversion, WideBytes) {
  const Bytes zhongWide("\x2D\x4E\x00\x00", 4);  // U+4E2D and the terminating zero
  EXPECT_EQ(TextToWide("中", 936), zhongWide);
  EXPECT_EQ(TextToWide(Utf8(u8"中")), zhongWide);
  EXPECT_EQ(TextToWide(""), Bytes("\0\0", 2));
  EXPECT_EQ(WideToText(zhongWide), "中");
  EXPECT_EQ(WideToText(zhongWide, 65001), Utf8(u8"中"));
  EXPECT_EQ(WideToText(Bytes("a\0\0\0b\0", 6)), "a");
  EXPECT_EQ(WideToText(Bytes("a\0b\0", 4)), "ab");  // no terminator: all of it
}

TEST(TextCleanFileName, RemovesOnlyTheListedCharacters) {
  EXPECT_EQ(CleanFileName("A: B/C."), "ABC");
  EXPECT_EQ(CleanFileName(":\\/?*<>|：、？。（）·！，. "), "");
  EXPECT_EQ(CleanFileName(".."), "");
  EXPECT_EQ(CleanFileName("相册（一）！"), "相册一");
  EXPECT_EQ(CleanFileName("a\"b\tc　d"), "a\"b\tc　d");
  // The "\" inside 乗 is a trail byte, not a separator.
  EXPECT_EQ(CleanFileName("乗\\乗"), "乗乗");
  EXPECT_EQ(CleanFileName("100\x80/月"), "100\x80月") << "0x80 (€) is one byte: no lead byte";
}

// Texts from outside at the edges of what they may be before they become
// part of a file name, a folder name or an address.
TEST(SafeNames, EdgesOfWhatIsLetThrough) {
  EXPECT_TRUE(IsSafeBoardId("azAZ09-_"));
  for (const char* id : {"", "@", "[", "`", "{", "/", ":", ".", "a b", "中"}) {
    EXPECT_FALSE(IsSafeBoardId(id)) << id;
  }
  // The longest photo id that must be accepted: 20 digits (a 64-bit number).
  EXPECT_TRUE(IsPlainDecimal("18446744073709551615"));
  EXPECT_TRUE(IsPlainDecimal("0123456789"));
  EXPECT_FALSE(IsPlainDecimal("123456789012345678901"));
  EXPECT_FALSE(IsPlainDecimal("12a"));
  EXPECT_FALSE(IsPlainDecimal(""));
  EXPECT_TRUE(IsSafeFileKey("a/b..c/d.jpg"));
  for (const char* key : {"/etc/passwd", "a/../../b", "..", "a\\b", "a\nb", ""}) {
    EXPECT_FALSE(IsSafeFileKey(key)) << key;
  }
}

// The longest folder name that fits is 255 bytes of UTF-8, whatever the
// characters: the title is cut at a character boundary, the album id kept.
TEST(SafeNames, FolderNamesFillButNeverPassTheLongestName) {
  Text wide, narrow;
  for (int i = 0; i < 300; ++i) wide += "长", narrow += "a";
  const Text tail = "相册_b1";  // 9 bytes of UTF-8, 7 of code page 936
  for (const Text& head : {wide, narrow, wide.substr(0, 20) + narrow}) {
    const Text name = FitFolderName(head, tail);
    EXPECT_EQ(AnsiToUtf8(name).size(), 255u);
    EXPECT_TRUE(name.ends_with(tail));
    EXPECT_EQ(AnsiToUtf8(name.substr(0, name.size() - tail.size())),
              AnsiToUtf8(head).substr(0, 255 - 9));
  }
  const Text fits = narrow.substr(0, 246);
  EXPECT_EQ(FitFolderName(fits, tail), fits + tail) << "a name that fits stays whole";
}

}  // namespace
}  // namespace albumdl
