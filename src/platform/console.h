// A command-line program's arguments, the bytes of its standard streams and
// the C streams it opens, where the systems differ: on Windows the arguments
// come in UTF-16, the streams in text mode and narrow file names in the ANSI
// code page; here every program sees UTF-8 arguments and names, and streams
// that pass bytes as they are. (standard_streams.h has the rest.)
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace albumdl::platform {

// The arguments as UTF-8, the program's name first (on Windows from the
// wide-character command line, so that a name outside the ANSI code page
// survives; elsewhere argv as it is).
std::vector<std::string> CommandLineArguments(int argc, char** argv);
// Once at start: standard input, output and error carry bytes unchanged (no
// "\r\n" for "\n" on Windows), and a Windows console shows UTF-8.
void PrepareStandardStreams();
// std::fopen by a native path (UTF-8): nullptr, with errno, when it cannot.
std::FILE* OpenFile(const std::string& nativePath, const char* mode);

}  // namespace albumdl::platform
