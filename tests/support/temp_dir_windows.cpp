#include <windows.h>

#include <random>

#include "support/temp_dir.h"

namespace albumdl::testing {

// In the user's temporary folder, as UTF-8 with "\" separators.
std::string MakeTemporaryFolder() {
  wchar_t base[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) return {};
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring folder =
        std::wstring(base, n) + L"albumdl-test-" + std::to_wstring(random() % 100000000);
    if (::CreateDirectoryW(folder.c_str(), nullptr)) {
      const int size = ::WideCharToMultiByte(
          CP_UTF8, 0, folder.data(), static_cast<int>(folder.size()), nullptr, 0, nullptr, nullptr);
      std::string utf8(static_cast<size_t>(size), '\0');
      ::WideCharToMultiByte(CP_UTF8, 0, folder.data(), static_cast<int>(folder.size()), utf8.data(),
                            size, nullptr, nullptr);
      return utf8;
    }
  }
  return {};
}

}  // namespace albumdl::testing
