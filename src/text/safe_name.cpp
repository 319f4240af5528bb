#include "text/safe_name.h"

#include "platform/code_page.h"

namespace albumdl {

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

}  // namespace

bool IsSafeBoardId(const Text& id) {
  if (id.empty()) return false;
  for (unsigned char c : id) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    if (!plain) return false;
  }
  return true;
}

bool HasControlCharacters(const Text& text) {
  for (size_t i = 0; i < text.size(); i += platform::CharLength(text, i)) {
    if (IsControl(static_cast<unsigned char>(text[i]))) return true;
  }
  return false;
}

Text RemoveControlCharacters(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t width = platform::CharLength(text, i);
    if (width == 2 || !IsControl(static_cast<unsigned char>(text[i]))) out.append(text, i, width);
    i += width;
  }
  return out;
}

bool IsSafeNamePart(const Text& text) {
  if (text.empty()) return false;
  char previous = 0;
  for (size_t i = 0; i < text.size(); i += platform::CharLength(text, i)) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (platform::CharLength(text, i) == 2) {
      previous = 0;
      continue;
    }
    if (IsControl(c) || c == '\\' || c == '/') return false;
    if (c == '.' && previous == '.') return false;
    previous = static_cast<char>(c);
  }
  return true;
}

bool IsSafeFileKey(const Text& key) {
  if (key.empty() || key.front() == '/' || HasControlCharacters(key)) return false;
  // Steps are cut at "/" only: a "\" is refused outright, so a trail byte 0x5C
  // never has to be told apart.
  if (TextFind(key, "\\") > 0) return false;
  for (const Text& step : TextSplit(key, "/")) {
    if (step == "..") return false;
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

Text FitFolderName(const Text& head, const Text& tail, size_t longest) {
  const Text clean = RemoveControlCharacters(head);
  const size_t tailBytes = AnsiToUtf8(tail).size();
  if (AnsiToUtf8(clean).size() + tailBytes <= longest) return clean + tail;
  // Character by character, as long as the UTF-8 form still fits.
  Text fitted;
  size_t bytes = tailBytes;
  for (size_t i = 0; i < clean.size();) {
    const size_t width = platform::CharLength(clean, i);
    const Text character = clean.substr(i, width);
    const size_t utf8 = AnsiToUtf8(character).size();
    if (bytes + utf8 > longest) break;
    fitted += character;
    bytes += utf8;
    i += width;
  }
  return fitted + tail;
}

}  // namespace albumdl
