#include "platform/path_syntax.h"

namespace albumdl::platform {

char NativeSeparator() { return '/'; }

bool IsNativeSeparator(char c) { return c == '/'; }

size_t RootLength(const std::string& native) { return !native.empty() && native[0] == '/' ? 1 : 0; }

}  // namespace albumdl::platform
