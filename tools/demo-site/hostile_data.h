// Boards and searches whose answers a careful client must survive: titles with
// control bytes, too long for a file name, not UTF-8 or outside code page 936;
// board ids, pin ids and file keys that try to leave their folder or are not
// what they should be; keys nested 50,000 and 200,000 deep; numbers of 400 digits; a page
// of 50 MiB. albumdl-demo-site serves them with --hostile; tests add them with
// AddHostileData. The built-in data set does not hold them.
#pragma once

#include <string>

#include "demo_site.h"

namespace demosite {

// Boards (site host + "/boards/" + id + "/").
inline constexpr char kControlsBoardId[] = "hostile-controls";     // ESC, BEL, CR, LF in the title
inline constexpr char kLongTitleBoardId[] = "hostile-long-title";  // 300-byte UTF-8 title
inline constexpr char kBadUtf8BoardId[] = "hostile-bad-utf8";      // title bytes not UTF-8
inline constexpr char kEmojiBoardId[] = "hostile-emoji";           // title outside code page 936
inline constexpr char kBadKeysBoardId[] = "hostile-keys";        // keys "../x", "a/b", "..\x", ...
inline constexpr char kBadPinIdsBoardId[] = "hostile-pin-ids";   // pin_id strings, objects, ...
inline constexpr char kDeepKeyBoardId[] = "hostile-deep";        // a key inside 50,000 arrays
inline constexpr char kDeeperKeyBoardId[] = "hostile-deeper";    // and one inside 200,000
inline constexpr char kHugePageBoardId[] = "hostile-huge-page";  // first page of 50 MiB
inline constexpr char kHugeCountBoardId[] = "hostile-count";     // pin_count of 400 digits
// Boards whose ids try to leave their folder.
inline constexpr char kDotDotBoardId[] = "../x";
inline constexpr char kSlashBoardId[] = "a/b";
inline constexpr char kBackslashBoardId[] = "..\\x";

// Search keywords (site host + "/search/?q=" + keyword).
inline constexpr char kHugeTotalKeyword[] = "hostile-total";    // total of 400 digits
inline constexpr char kControlsKeyword[] = "hostile-controls";  // control bytes in the text
inline constexpr char kEmojiKeyword[] = "\xF0\x9F\x98\x80";     // U+1F600, not in 936

inline constexpr int kDeepKeyLevels = 50000;
inline constexpr int kDeeperKeyLevels = 200000;
inline constexpr unsigned long long kHugePageBytes = 50ull << 20;

// The first page of a board as the downloader asks for it.
std::string FirstPageTarget(const std::string& boardId);

// Adds the boards, searches and raw answers above to the site.
void AddHostileData(DemoSite& site);

}  // namespace demosite
