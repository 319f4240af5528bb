#include "site/input_check.h"

#include "site/album_kinds.h"

namespace albumdl {

namespace {

// A tab may stand between an address and a remark; any other control byte
// (a zero byte above all: the conversion ends the text there) makes the line
// something else than what was typed.
bool HasControlByte(const std::string& line) {
  for (unsigned char c : line)
    if ((c < 0x20 && c != '\t') || c == 0x7F) return true;
  return false;
}

// No address of the site comes near this; a line longer is something else,
// and converting and searching it would cost many times its size.
constexpr size_t kLongestLine = 64 * 1024;

// Blanks and tabs only: a spacer between addresses, not an address.
bool IsBlank(const Text& line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const bool fullWidthSpace = line.compare(i, 2, "\xA1\xA1") == 0;
    if (fullWidthSpace) ++i;
    if (!fullWidthSpace && line[i] != ' ' && line[i] != '\t') return false;
  }
  return true;
}

// "neither a board address (...) nor a search address (...)": what every
// kind of album line looks like.
std::string Forms(const Site& site) {
  std::string forms;
  const std::vector<const AlbumKind*>& kinds = AlbumKinds();
  for (size_t k = 0; k < kinds.size(); ++k) {
    forms += (k == 0                  ? "neither "
              : k + 1 == kinds.size() ? " nor "
                                      : ", ") +
             AnsiToUtf8(kinds[k]->LineForm(site));
  }
  return forms;
}

}  // namespace

CheckedInput CheckInput(const std::vector<std::string>& lines, const Site& site) {
  CheckedInput checked;
  std::vector<LeftOutLine> byLine(lines.size());
  std::vector<bool> left(lines.size(), false);
  const auto leave = [&](size_t index, LeftOutLine::Why why, std::string reason) {
    byLine[index] = {index, why, std::move(reason)};
    left[index] = true;
  };

  for (size_t index = 0; index < lines.size(); ++index) {
    const std::string& line = lines[index];
    Text converted;
    if (line.size() > kLongestLine) {
      leave(index, LeftOutLine::Why::kTooLong,
            "longer than " + std::to_string(kLongestLine) + " bytes, which no address is");
    } else if (HasControlByte(line)) {
      leave(index, LeftOutLine::Why::kControlCharacter, "it holds a control character");
    } else if (converted = Utf8ToAnsi(line); AnsiToUtf8(converted) != line) {
      leave(index, LeftOutLine::Why::kOutsideCodePage,
            "it holds characters outside code page 936 (or is not UTF-8)");
      converted.clear();
    }
    if (index > 0) checked.text += "\r\n";
    checked.text += converted;
  }

  for (const AlbumSource& source : AlbumSources(checked.text, site)) {
    const size_t index = static_cast<size_t>(source.lineNumber - 1);
    if (source.Usable()) {
      ++checked.usable;
    } else if (source.kind != nullptr) {
      leave(index, LeftOutLine::Why::kUnusable, AnsiToUtf8(source.reading.why));
    } else if (!IsBlank(source.line) && index < left.size() && !left[index]) {
      leave(index, LeftOutLine::Why::kNoAlbum, Forms(site));
    }
  }

  for (size_t index = 0; index < lines.size(); ++index)
    if (left[index]) checked.leftOut.push_back(byLine[index]);
  return checked;
}

}  // namespace albumdl
