#include <filesystem>

#include "support/this_program.h"

namespace albumdl::testing {

std::string ThisProgramFolder() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).parent_path().string();
}

bool RunningUnderWine() { return false; }

}  // namespace albumdl::testing
