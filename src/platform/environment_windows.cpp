#include <windows.h>

#include <vector>

#include "platform/environment.h"
#include "platform/wide_windows.h"

namespace albumdl::platform {

std::string EnvironmentValue(const std::string& name) {
  const std::wstring wideName = WideOf(name);
  std::vector<wchar_t> value(256);
  for (;;) {
    const DWORD n =
        ::GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) return {};
    if (n < value.size()) return Utf8Of(std::wstring(value.data(), n));
    value.resize(n);
  }
}

// The C runtime keeps a copy of the environment for getenv; _wputenv_s changes
// both it and the process's own.
void SetEnvironmentValue(const std::string& name, const std::string& value) {
  ::_wputenv_s(WideOf(name).c_str(), WideOf(value).c_str());
}

void RemoveEnvironmentValue(const std::string& name) { ::_wputenv_s(WideOf(name).c_str(), L""); }

}  // namespace albumdl::platform
