#include "text/file_helpers.h"

#include "platform/files.h"

namespace albumdl {

Text CleanFileName(const Text& text) {
  // Order matters only for readability: each entry is a whole character, and
  // matches never start inside a double-byte character.
  static const Text kRemoved[] = {":",  "\\", "/",  "?",  "*", "<",  ">",  "|", "：", "、",
                                  "？", "。", "（", "）", "·", "！", "，", ".", " "};
  Text out = text;
  for (const Text& what : kRemoved) out = TextReplace(out, what, "");
  return out;
}

bool EnsureDirectory(Text& path, platform::FileStatus* why) {
  // The last byte alone is not enough: a double-byte character may have 0x5C
  // as its trail byte, and treating it as a separator would leave the last
  // folder uncreated (it would count as a file name).
  if (TextFindLast(path, "\\") != static_cast<int>(path.size())) path += "\\";
  const platform::FileStatus status = platform::MakeFolders(path);
  if (why != nullptr) *why = status;
  return status.ok();
}

}  // namespace albumdl
