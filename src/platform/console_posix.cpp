#include "platform/console.h"

namespace albumdl::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void PrepareStandardStreams() {}

std::FILE* OpenFile(const std::string& nativePath, const char* mode) {
  return std::fopen(nativePath.c_str(), mode);
}

}  // namespace albumdl::platform
