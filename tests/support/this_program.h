// The running test program's own folder, as the system names it (UTF-8).
#pragma once

#include <string>

namespace albumdl::testing {

std::string ThisProgramFolder();

}  // namespace albumdl::testing
