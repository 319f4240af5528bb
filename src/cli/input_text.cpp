#include "cli/input_text.h"

#include <algorithm>
#include <string_view>

#include "cli/bounded_read.h"
#include "platform/code_page.h"

namespace albumdl::cli {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Text saved as UTF-16 without its mark: every character of an address is
// ASCII, so one byte of each pair is zero, the same one each time.
bool LooksLikeMarklessUtf16(std::string_view content) {
  const size_t pairs = std::min<size_t>(content.size(), 256) / 2;
  if (pairs < 2) return false;
  bool little = true;
  bool big = true;
  for (size_t i = 0; i < pairs; ++i) {
    const char first = content[2 * i];
    const char second = content[2 * i + 1];
    little = little && first != '\0' && second == '\0';
    big = big && first == '\0' && second != '\0';
  }
  return little || big;
}

// UTF-16 bytes (after the mark) as UTF-8. A last odd byte is half a
// character: it becomes a replacement character, as broken pairs do.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::u16string wide;
  wide.reserve(bytes.size() / 2 + 1);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto high = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
    const auto low = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
    wide += static_cast<char16_t>(high << 8 | low);
  }
  if (bytes.size() % 2 != 0) wide += u'\uFFFD';
  return platform::WideToMultiByte(65001, wide);
}

// Splits at LF, CR LF or a CR alone, so files written on any system read the
// same. A last line without its end still counts; a final line end adds no
// empty line. Every other byte stays, a zero byte too: the check of the lines
// judges them.
std::vector<std::string> SplitLines(std::string_view content) {
  std::vector<std::string> lines;
  while (!content.empty()) {
    const size_t end = content.find_first_of("\r\n");
    lines.emplace_back(content.substr(0, end));
    if (end == std::string_view::npos) break;
    const bool crLf = content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n';
    content.remove_prefix(end + (crLf ? 2 : 1));
  }
  return lines;
}

// The file's text as UTF-8 by its byte-order mark; nothing, with the reason,
// for text albumdl cannot take as it is.
std::optional<std::string> AsUtf8(std::string content, std::string& problem) {
  if (StartsWith(content, "\xEF\xBB\xBF")) return content.substr(3);
  if (StartsWith(content, std::string_view("\xFF\xFE\0\0", 4)) ||
      StartsWith(content, std::string_view("\0\0\xFE\xFF", 4))) {
    problem = "it is UTF-32 text; save it as UTF-8";
    return std::nullopt;
  }
  if (StartsWith(content, "\xFF\xFE"))
    return Utf16ToUtf8(std::string_view(content).substr(2), false);
  if (StartsWith(content, "\xFE\xFF"))
    return Utf16ToUtf8(std::string_view(content).substr(2), true);
  if (LooksLikeMarklessUtf16(content)) {
    problem =
        "it looks like UTF-16 text without a byte-order mark; save it as UTF-8 (or as UTF-16 "
        "with its byte-order mark)";
    return std::nullopt;
  }
  return content;
}

}  // namespace

InputLines InputFromArguments(const std::vector<std::string>& addresses) {
  return {addresses, "address"};
}

std::optional<InputLines> InputFromFile(const std::string& path, std::string& problem) {
  std::optional<std::string> content = ReadBounded(path, problem);
  if (!content) return std::nullopt;
  const std::optional<std::string> text = AsUtf8(std::move(*content), problem);
  if (!text) return std::nullopt;
  return InputLines{SplitLines(*text), "line"};
}

}  // namespace albumdl::cli
