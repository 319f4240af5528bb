// The process's environment variables, in the system's path encoding (UTF-8;
// on Windows read and written through the wide-character calls, so that a
// folder name outside the ANSI code page survives).
#pragma once

#include <string>

namespace albumdl::platform {

// Empty when the variable is not set.
std::string EnvironmentValue(const std::string& name);
void SetEnvironmentValue(const std::string& name, const std::string& value);
void RemoveEnvironmentValue(const std::string& name);

}  // namespace albumdl::platform
