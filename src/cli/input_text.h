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
// The lines of a file, or of standard input for "-": UTF-8, or UTF-16 with
// its byte-order mark; lines end in LF, CR LF or CR alone. Nothing, with the
// reason in words, when the file cannot be read, is too large (bounded_read.h)
// or is text of another kind.
std::optional<InputLines> InputFromFile(const std::string& path, std::string& problem);

}  // namespace albumdl::cli
