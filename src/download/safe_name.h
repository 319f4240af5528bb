// Checks for texts from outside (album ids, photo ids) before they become part
// of a file name. Everything here steps over double-byte characters, because a
// GBK trail byte can be 0x5C ("\") without being a separator.
#pragma once

#include "text/text.h"

namespace albumdl {

// True when the text can stand as one part of a file name inside its folder: not
// empty, no "\" or "/", no "..", no control characters.
bool IsSafeNamePart(const Text& text);
// True when the text holds a control character (below 0x20, or 0x7F).
bool HasControlCharacters(const Text& text);
// True for 1 to 20 ASCII digits: what a photo id looks like.
bool IsPlainDecimal(const Text& text);

}  // namespace albumdl
