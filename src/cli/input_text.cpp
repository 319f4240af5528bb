#include "cli/input_text.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace albumdl::cli {

namespace {

Text JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += "\r\n";
    joined += lines[i];
  }
  return Utf8ToAnsi(joined);
}

// Splits at LF; a CR before it goes too, so files written on either system read
// the same. A last line without LF still counts; a final LF adds no empty line.
std::vector<std::string> SplitLines(std::string content) {
  if (content.rfind("\xEF\xBB\xBF", 0) == 0) content.erase(0, 3);  // a byte order mark
  std::vector<std::string> lines;
  std::istringstream stream(content);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

Text InputTextFromArguments(const std::vector<std::string>& addresses) {
  return JoinLines(addresses);
}

std::optional<Text> InputTextFromFile(const std::string& path) {
  std::string content;
  if (path == "-") {
    content.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (std::cin.bad()) return std::nullopt;
  } else {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) return std::nullopt;
  }
  return JoinLines(SplitLines(content));
}

}  // namespace albumdl::cli
