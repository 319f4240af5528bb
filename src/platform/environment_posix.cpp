#include <cstdlib>

#include "platform/environment.h"

namespace albumdl::platform {

std::string EnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? value : "";
}

void SetEnvironmentValue(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}

void RemoveEnvironmentValue(const std::string& name) { ::unsetenv(name.c_str()); }

}  // namespace albumdl::platform
