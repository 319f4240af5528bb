#include "cli/input_check.h"

#include "cli/printable.h"
#include "site/album_kinds.h"

namespace albumdl::cli {

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

}  // namespace

CheckedInput CheckInput(const InputLines& input, const Site& site) {
  CheckedInput checked;
  std::vector<std::string> reasons(input.lines.size());  // empty: the line is fine
  const auto refuse = [&reasons](size_t index, const std::string& why) { reasons[index] = why; };

  for (size_t index = 0; index < input.lines.size(); ++index) {
    const std::string& line = input.lines[index];
    Text converted;
    if (line.size() > kLongestLine) {
      refuse(index, "longer than " + std::to_string(kLongestLine) + " bytes, which no address is");
    } else if (HasControlByte(line)) {
      refuse(index, "it holds a control character");
    } else if (converted = Utf8ToAnsi(line); AnsiToUtf8(converted) != line) {
      refuse(index, "it holds characters outside code page 936 (or is not UTF-8)");
      converted.clear();
    }
    if (index > 0) checked.text += "\r\n";
    checked.text += converted;
  }

  // "neither a board address (...) nor a search address (...)": what every
  // kind of album line looks like.
  std::string forms;
  const std::vector<const AlbumKind*>& kinds = AlbumKinds();
  for (size_t k = 0; k < kinds.size(); ++k) {
    forms += (k == 0                  ? "neither "
              : k + 1 == kinds.size() ? " nor "
                                      : ", ") +
             AnsiToUtf8(kinds[k]->LineForm(site));
  }
  for (const AlbumSource& source : AlbumSources(checked.text, site)) {
    const size_t index = static_cast<size_t>(source.lineNumber - 1);
    if (source.Usable()) {
      ++checked.usable;
    } else if (source.kind != nullptr) {
      refuse(index, AnsiToUtf8(source.reading.why));
    } else if (!IsBlank(source.line)) {
      refuse(index, forms);
    }
  }

  for (size_t index = 0; index < reasons.size(); ++index) {
    if (reasons[index].empty()) continue;
    checked.refusals.push_back(input.noun + " " + std::to_string(index + 1) + ": " +
                               reasons[index] + ", left out: " + Printable(input.lines[index]));
  }
  return checked;
}

}  // namespace albumdl::cli
