#include "cli/input_text.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace albumdl::cli {

namespace {

// Splits at LF; a CR before it goes too, so files written on either system read
// the same. A last line without LF still counts; a final LF adds no empty line.
// Every byte stays, a zero byte too: the check of the lines judges them.
std::vector<std::string> SplitLines(std::string_view content) {
  if (content.rfind("\xEF\xBB\xBF", 0) == 0) content.remove_prefix(3);  // a byte order mark
  std::vector<std::string> lines;
  while (!content.empty()) {
    const size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    content.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

InputLines InputFromArguments(const std::vector<std::string>& addresses) {
  return {addresses, "address"};
}

std::optional<InputLines> InputFromFile(const std::string& path) {
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
  return InputLines{SplitLines(content), "line"};
}

}  // namespace albumdl::cli
