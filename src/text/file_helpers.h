// File-name and folder helpers shared by the album retrieval and the downloads.
#pragma once

#include "platform/file_status.h"
#include "text/text.h"

namespace albumdl {

// Removes the characters that may not or should not stand in a folder name.
Text CleanFileName(const Text& text);
// Appends "\" to path when it has none, then creates every missing folder of it.
// True when the folder exists afterwards; otherwise why tells the reason.
bool EnsureDirectory(Text& path, platform::FileStatus* why = nullptr);

}  // namespace albumdl
