// Where the systems' paths differ in their spelling: the separator and the
// root. "/" and "/" on POSIX systems; on Windows "\" (and "/", which the
// system reads as "\"), with roots such as "C:\", "\\server\share\" and the
// long form "\\?\C:\".
#pragma once

#include <cstddef>
#include <string>

namespace albumdl::platform {

// The separator this system's paths are written with.
char NativeSeparator();
bool IsNativeSeparator(char c);
// How many bytes of the path its root takes ("/" or "C:\"); 0 for a relative
// path.
size_t RootLength(const std::string& native);

}  // namespace albumdl::platform
