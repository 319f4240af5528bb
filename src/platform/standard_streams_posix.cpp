#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/standard_streams.h"

namespace albumdl::platform {

void OpenNullOnClosedStandardStreams() {
  for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
    if (fcntl(stream, F_GETFD) != -1 || errno != EBADF) continue;
    // open gives the lowest free number, which is this one; should it not,
    // the stream is left closed rather than another descriptor moved.
    const int null = open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != stream) close(null);
  }
}

void SurviveBrokenPipes() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

bool IsTerminal(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput:
      return isatty(STDIN_FILENO) == 1;
    case StandardStream::kOutput:
      return isatty(STDOUT_FILENO) == 1;
    case StandardStream::kError:
      return isatty(STDERR_FILENO) == 1;
  }
  return false;
}

bool IsBrokenPipe(int error) { return error == EPIPE; }

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace albumdl::platform
