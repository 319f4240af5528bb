// The album addresses as the user gave them: UTF-8 lines, numbered from 1, from
// the arguments (one a line) or from a file.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace albumdl::cli {

struct InputLines {
  std::vector<std::string> lines;  // UTF-8, without line ends
  std::string noun;                // what the messages call one: "line" or "address"
};

InputLines InputFromArguments(const std::vector<std::string>& addresses);
// The lines of a UTF-8 file, or of standard input for "-". Nothing when the file
// cannot be read.
std::optional<InputLines> InputFromFile(const std::string& path);

}  // namespace albumdl::cli
