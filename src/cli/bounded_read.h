// The files the user hands albumdl (--input, --cookies) read whole, but never
// more than a bound: a device that never ends (/dev/zero) or a file far larger
// than any list could be stops the reading with a reason, instead of filling
// memory.
#pragma once

#include <optional>
#include <string>

namespace albumdl::cli {

// Far more than 100,000 addresses or a browser's every cookie take.
inline constexpr size_t kMostReadBytes = 16 * 1024 * 1024;

// The bytes of the file (standard input for "-"), or nothing with the reason
// in words: "it is a folder", "cannot read it: ...", "it is larger than 16 MiB".
std::optional<std::string> ReadBounded(const std::string& path, std::string& problem,
                                       size_t mostBytes = kMostReadBytes);

}  // namespace albumdl::cli
