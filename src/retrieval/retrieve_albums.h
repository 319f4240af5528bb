// Turns the input lines (board addresses and search addresses) into the album
// list: every line goes to the album kind that takes it (site/album_kinds.h),
// which asks the site for the album's answer; each album is appended, ticked
// unless its count is 0 or its answer failed (which the log says, with the
// line and the reason). It runs on the retrieval thread (RetrievalControl);
// everything it shows goes to the views without waiting for them.
#pragma once

#include "control/pacer.h"
#include "control/run_gate.h"
#include "model/album_list.h"
#include "session/session.h"
#include "views/view_values.h"
#include "views/views.h"

namespace albumdl {

// input: the text of the input box, as it was when the user asked.
void RetrieveAlbums(Views& views, const ViewValues& values, AlbumList& albums, Session& session,
                    RunGate& gate, Pacer& pacer, const Text& input);

}  // namespace albumdl
