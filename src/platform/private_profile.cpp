#include "platform/private_profile.h"

#include <vector>

#include "platform/code_page.h"
#include "platform/files.h"

namespace albumdl::platform {
namespace {

// The read buffer of the Windows call holds 10,240 bytes with its zero.
constexpr size_t kMaxValue = 10239;

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string SkipControlAndBlanks(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32) ++i;
  return s.substr(i);
}

// Bytes up to 32 are never the trail byte of a double-byte character, so
// trimming them byte by byte cannot cut a character in half.
std::string Trim(const std::string& s) {
  size_t begin = 0, end = s.size();
  while (begin < end && IsSpace(s[begin])) ++begin;
  while (end > begin && IsSpace(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

// Names compare without ASCII letter case. Double-byte characters are stepped
// over whole: their trail byte may look like a letter, and folding it would
// make two different Chinese names equal.
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// Cuts to at most max bytes without leaving half a double-byte character.
std::string CutValue(const std::string& s, size_t max) {
  if (s.size() <= max) return s;
  size_t end = 0;
  while (end < max) {
    const size_t step = CharLength(s, end);
    if (end + step > max) break;
    end += step;
  }
  return s.substr(0, end);
}

struct Line {
  std::string text;    // without its line ending
  std::string ending;  // "\r\n", "\n" or "" for an unterminated last line
};

std::vector<Line> SplitLines(const std::string& file) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < file.size()) {
    const size_t lf = file.find('\n', start);
    if (lf == std::string::npos) {
      lines.push_back({file.substr(start), ""});
      break;
    }
    const bool cr = lf > start && file[lf - 1] == '\r';
    lines.push_back({file.substr(start, lf - start - (cr ? 1 : 0)), cr ? "\r\n" : "\n"});
    start = lf + 1;
  }
  return lines;
}

enum class Kind { kOther, kSection, kKey };

struct Entry {
  Kind kind = Kind::kOther;
  std::string name;
  std::string value;
};

// One line as the Windows reader sees it: "[name]" opens a section (up to the
// last "]"), "name=value" is a key with blanks around both dropped; blank
// lines and ";" comments are neither. A line without "=" counts as a key
// without value.
Entry ParseLine(const std::string& raw) {
  const std::string line = Trim(raw);
  if (line.empty() || line[0] == ';') return {};
  if (line[0] == '[') {
    const size_t close = line.rfind(']');
    if (close != std::string::npos) return {Kind::kSection, Trim(line.substr(1, close - 1)), {}};
  }
  const size_t eq = line.find('=');
  if (eq == std::string::npos) return {Kind::kKey, line, {}};
  return {Kind::kKey, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

struct Location {
  bool sectionFound = false;
  size_t sectionLine = 0;
  bool keyFound = false;
  size_t keyLine = 0;
  size_t lastContentLine = 0;  // last non-blank line of the section
};

Location Find(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
  Location where;
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const Entry entry = ParseLine(lines[i].text);
    if (entry.kind == Kind::kSection) {
      if (inside) break;  // only the first section of that name counts
      inside = SameName(entry.name, section);
      if (inside) {
        where.sectionFound = true;
        where.sectionLine = where.lastContentLine = i;
      }
      continue;
    }
    if (!inside) continue;
    if (!Trim(lines[i].text).empty()) where.lastContentLine = i;
    if (entry.kind == Kind::kKey && SameName(entry.name, key)) {
      where.keyFound = true;
      where.keyLine = i;
      break;
    }
  }
  return where;
}

bool HasLineBreakOrZero(const std::string& s) {
  return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

}  // namespace

std::string GetPrivateProfileString(const std::string& path, const std::string& section,
                                    const std::string& key, const std::string& defaultValue) {
  const std::string file = SkipControlAndBlanks(path);
  const std::string sectionName = Trim(SkipControlAndBlanks(section));
  const std::string keyName = Trim(SkipControlAndBlanks(key));
  if (file.empty() || sectionName.empty() || keyName.empty()) return {};

  // Trailing blanks of the default are dropped, as the Windows call does.
  std::string fallback = defaultValue;
  while (!fallback.empty() && fallback.back() == ' ') fallback.pop_back();
  fallback = CutValue(fallback, kMaxValue);

  const std::optional<std::string> contents = ReadWholeFile(file);
  if (!contents) return fallback;
  const std::vector<Line> lines = SplitLines(*contents);
  const Location where = Find(lines, sectionName, keyName);
  if (!where.keyFound) return fallback;
  std::string value = ParseLine(lines[where.keyLine].text).value;
  // One pair of matching surrounding quotes, double or single, is taken off,
  // as the Windows reader does: a value stored as 'D:\x' reads as D:\x.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return CutValue(value, kMaxValue);
}

bool WritePrivateProfileString(const std::string& path, const std::string& section,
                               const std::string& key, const std::string& value) {
  const std::string file = SkipControlAndBlanks(path);
  const std::string sectionName = Trim(SkipControlAndBlanks(section));
  const std::string keyName = Trim(SkipControlAndBlanks(key));
  if (file.empty() || sectionName.empty() || keyName.empty()) return false;
  // A line break would let a value (a folder name, say) smuggle in lines of
  // its own and corrupt the file; a key with "=" or a leading "[" or ";"
  // would not read back as the same key.
  if (HasLineBreakOrZero(sectionName) || HasLineBreakOrZero(keyName) || HasLineBreakOrZero(value) ||
      keyName.find('=') != std::string::npos || keyName[0] == '[' || keyName[0] == ';') {
    return false;
  }

  std::string contents;
  if (FileExists(file)) {
    std::optional<std::string> read = ReadWholeFile(file);
    if (!read) return false;  // never overwrite a file we could not read
    contents = std::move(*read);
  }
  std::vector<Line> lines = SplitLines(contents);
  // New lines follow the file's own line endings; a new file gets "\r\n".
  const std::string eol = !lines.empty() && lines.front().ending == "\n" ? "\n" : "\r\n";
  if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = eol;

  const Location where = Find(lines, sectionName, keyName);
  if (where.keyFound) {
    // Keep the key's spelling as it stands in the file.
    lines[where.keyLine].text = ParseLine(lines[where.keyLine].text).name + "=" + value;
  } else if (where.sectionFound) {
    lines.insert(lines.begin() + static_cast<long>(where.lastContentLine) + 1,
                 {keyName + "=" + value, eol});
  } else {
    if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back({"", eol});
    lines.push_back({"[" + sectionName + "]", eol});
    lines.push_back({keyName + "=" + value, eol});
  }

  std::string out;
  for (const Line& line : lines) out += line.text + line.ending;
  return WriteFileAtomically(file, out).ok();
}

}  // namespace albumdl::platform
