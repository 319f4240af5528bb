#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/standard_streams.h"

namespace albumdl::platform {
namespace {

int NumberOf(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return 0;
    case StandardStream::kOutput:
      return 1;
    case StandardStream::kError:
      return 2;
  }
  return 2;
}

}  // namespace

// A program started without a stream has no handle for it; the C runtime's
// descriptor then goes to the null device, so writes to it go nowhere rather
// than into a file opened later.
void OpenNullOnClosedStandardStreams() {
  for (int stream = 0; stream <= 2; ++stream) {
    if (::_get_osfhandle(stream) != -1) continue;
    const int null = ::_open("NUL", stream == 0 ? _O_RDONLY : _O_WRONLY);
    if (null >= 0 && null != stream) {
      ::_dup2(null, stream);
      ::_close(null);
    }
  }
}

// Windows sends no signal for a pipe whose reader has gone: the write fails
// (EINVAL or EPIPE from the C runtime) and the program goes on.
void SurviveBrokenPipes() {}

// A console answers GetConsoleMode; a file or a pipe does not.
bool IsTerminal(StandardStream stream) {
  const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(NumberOf(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

// The C runtime reports a pipe without reader as EPIPE, or as EINVAL when
// the system said ERROR_NO_DATA.
bool IsBrokenPipe(int error) {
  return error == EPIPE || (error == EINVAL && ::GetLastError() == ERROR_NO_DATA);
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace albumdl::platform
