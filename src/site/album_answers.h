// Reading an album's answer with the JSON reader. A board's answer carries
// the board's title and pin count (in its "board" object, or at the top), a
// search's answer the query's text and total (in its "query" object, or at
// the top). Every valid spelling of the same answer gives the same album:
// members in any order, any white space, escapes in strings, nested objects
// that happen to use the same names.
#pragma once

#include "model/album.h"
#include "site/fetch_attempts.h"

namespace albumdl {

// Fills album's title (cleaned for a folder name), picture count, or failed
// with the reason: the answer never came right, or lacks its count.
void ReadBoardAnswer(const FetchedPage& answer, Album& album);
// The same for a search; the title is the query's text.
void ReadSearchAnswer(const FetchedPage& answer, Album& album);

}  // namespace albumdl
