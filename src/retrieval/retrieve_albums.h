// Turns the input lines (board addresses and search addresses) into the album
// list: for each usable line it asks the site for the album's name and picture
// count and appends a row, ticked unless its count is "0". It runs on the
// retrieval thread (RetrievalControl); everything it shows goes through the
// window without waiting for it.
#pragma once

#include "control/pacer.h"
#include "session/session.h"
#include "views/window.h"

namespace albumdl {

// input: the text of the input box, as it was when the user asked.
void RetrieveAlbums(Window& window, Session& session, Pacer& pacer, const Text& input);

}  // namespace albumdl
