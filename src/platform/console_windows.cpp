#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include "platform/console.h"
#include "platform/wide_windows.h"

namespace albumdl::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8Of(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

void PrepareStandardStreams() {
  ::_setmode(::_fileno(stdin), _O_BINARY);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  ::SetConsoleOutputCP(CP_UTF8);
  // The progress line redraws itself with "\r\033[K", which a console reads
  // as such only when asked to.
  const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (error != INVALID_HANDLE_VALUE && ::GetConsoleMode(error, &mode)) {
    ::SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

std::FILE* OpenFile(const std::string& nativePath, const char* mode) {
  return ::_wfopen(LongPathOf(nativePath).c_str(), WideOf(mode).c_str());
}

}  // namespace albumdl::platform
