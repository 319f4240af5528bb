#include "cli/input_check.h"

#include "cli/printable.h"
#include "site/input_check.h"

namespace albumdl::cli {

CheckedInput CheckInput(const InputLines& input, const Site& site) {
  albumdl::CheckedInput core = albumdl::CheckInput(input.lines, site);
  CheckedInput checked;
  checked.text = std::move(core.text);
  checked.usable = core.usable;
  for (const LeftOutLine& line : core.leftOut) {
    checked.refusals.push_back(input.noun + " " + std::to_string(line.index + 1) + ": " +
                               line.reason + ", left out: " + Printable(input.lines[line.index]));
  }
  return checked;
}

}  // namespace albumdl::cli
