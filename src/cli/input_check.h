// albumdl's own look at the input lines before the retrieval: every line the
// retrieval would pass over without a word, or could not read as typed, is
// named on standard error. The rule is the core's (site/input_check.h), which
// the window follows too.
#pragma once

#include <string>
#include <vector>

#include "cli/input_text.h"
#include "site/site.h"
#include "text/text.h"

namespace albumdl::cli {

struct CheckedInput {
  // What the retrieval is handed: code page 936, lines joined by CR LF. A line
  // that cannot be converted whole stays as an empty line, so that the line
  // numbers of the activity log still match the input's.
  Text text;
  std::vector<std::string> refusals;  // one message a refused line, UTF-8, one line each
  int usable = 0;                     // board and search lines
};

CheckedInput CheckInput(const InputLines& input, const Site& site);

}  // namespace albumdl::cli
