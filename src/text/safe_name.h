// Checks and repairs for texts from outside (board ids, album titles, photo
// ids, file keys) before they become part of a file name or reach the console.
// Everything here steps over double-byte characters, because a code page 936
// trail byte can be 0x5C ("\") or 0x7C ("|") without being one.
#pragma once

#include "text/text.h"

namespace albumdl {

// A board id as the site makes them: ASCII letters, digits, "-" and "_". It
// names a folder, a record store and part of a request path, so nothing else
// is let through.
bool IsSafeBoardId(const Text& id);
// True when the text can stand as one part of a file name inside its folder: not
// empty, no "\" or "/", no "..", no control characters.
bool IsSafeNamePart(const Text& text);
// True when the text holds a control character (below 0x20, or 0x7F).
bool HasControlCharacters(const Text& text);
// The text without its control characters.
Text RemoveControlCharacters(const Text& text);
// A picture's key on the image host, appended to its address: no control
// characters, no "\", not starting with "/", no ".." step that would climb out
// of the image host's folder.
bool IsSafeFileKey(const Text& key);
// True for 1 to 20 ASCII digits: what a photo id looks like.
bool IsPlainDecimal(const Text& text);

// The longest name a folder may have: 255 bytes once it is UTF-8.
inline constexpr size_t kLongestNameBytes = 255;
// head + tail, with head shortened at a character boundary (and its control
// characters removed) so that the whole fits in one name of the file system
// (longest bytes of UTF-8); the tail (the album id suffix) is kept whole.
Text FitFolderName(const Text& head, const Text& tail, size_t longest = kLongestNameBytes);

}  // namespace albumdl
