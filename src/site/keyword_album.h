// Keyword searches: the pins the site's search finds for a keyword, as one
// album. A search line holds "search/?q" and is asked for as typed; its answer
// gives the query's text and total; its pages are numbered from 1 and an
// empty page does not end it (three in a row do). The pictures go into
// <save root>\<keyword>_\.
#pragma once

#include "site/album_kind.h"

namespace albumdl {

const AlbumKind& KeywordAlbum();

// The prefix of a keyword album's id: "关键词_" + the keyword names its
// record store.
extern const Text kKeywordPrefix;

}  // namespace albumdl
