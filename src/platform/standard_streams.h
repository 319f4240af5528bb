// The standard streams of the command line: made safe at its start, and asked
// about later. Everything here calls the system.
#pragma once

#include <string>

namespace albumdl::platform {

enum class StandardStream { kInput, kOutput, kError };

// Opens the null device on every standard stream that was closed when the
// program started. A descriptor the program opens later (the pipe of the stop
// requests, a record store) would otherwise take the stream's number, and
// whatever is written to the stream would land in it.
void OpenNullOnClosedStandardStreams();
// A write to a pipe whose reader has gone then fails as a write does
// (IsBrokenPipe), instead of ending the program.
void SurviveBrokenPipes();
bool IsTerminal(StandardStream stream);

// True when a failed write's error number says that the reader went away.
bool IsBrokenPipe(int error);
// The system's words for an error number ("No space left on device").
std::string ErrorText(int error);

}  // namespace albumdl::platform
