#include <cstdlib>

#include "support/temp_dir.h"

namespace albumdl::testing {

std::string MakeTemporaryFolder() {
  std::string pattern = "/tmp/albumdl-test-XXXXXX";
  return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

}  // namespace albumdl::testing
