// Turns the input lines (board addresses and search addresses) into the album
// list: for each usable line it asks the site for the album's name and picture
// count and appends a row, ticked unless its count is "0".
#pragma once

#include "catalogue/session.h"
#include "catalogue/window.h"
#include "text/pacer.h"

namespace albumdl {

// Returns false (and does nothing) when a retrieval is already running.
bool RetrieveAlbums(Window& window, Session& session, Pacer& pacer);

}  // namespace albumdl
