// Boards: a user's collection of pins. A board line holds the site host,
// "/boards/", the board id and a "/"; its answer gives the board's title and
// pin count; its pages ask for the 100 pins after the last pin of the page
// before, and an empty page ends the board. The pictures go into
// <save root>\<title>相册_<board id>\.
#pragma once

#include "site/album_kind.h"

namespace albumdl {

const AlbumKind& BoardAlbum();

// The header lines every page request of a board sends, joined by CR LF.
Text BoardHeaderBlock(const Site& site, const Text& boardId);

}  // namespace albumdl
