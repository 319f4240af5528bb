// Texts from outside (input lines, paths, option values) as albumdl quotes them
// in its messages: UTF-8 on one line, whatever the text holds.
#pragma once

#include <string>
#include <string_view>

namespace albumdl::cli {

// Control characters (C0, DEL, C1, the Unicode line and paragraph separators)
// and bytes that are not UTF-8 come out as escapes (\t, \r, \n, \xNN, \uNNNN);
// a text longer than maxCharacters is cut there and ends in "...".
std::string Printable(std::string_view utf8, size_t maxCharacters = 200);

}  // namespace albumdl::cli
