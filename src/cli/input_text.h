// The album addresses as the window's input box would hold them: code page 936,
// one address a line, lines joined by CR LF.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

namespace albumdl::cli {

// Addresses given as arguments (UTF-8).
Text InputTextFromArguments(const std::vector<std::string>& addresses);
// The lines of a UTF-8 file, or of standard input for "-". Empty when the file
// cannot be read.
std::optional<Text> InputTextFromFile(const std::string& path);

}  // namespace albumdl::cli
