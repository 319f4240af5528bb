// The album kinds the program knows, in the order they look at an input line,
// and how the input is read with them: the text is trimmed, split at CR LF
// and every line (numbered from 1, empty ones included) goes to the first
// kind that takes it. The retrieval and the command line's own check of the
// input both go by this.
#pragma once

#include <vector>

#include "site/album_kind.h"

namespace albumdl {

// Every kind; the first that calls a line its own gets it.
const std::vector<const AlbumKind*>& AlbumKinds();
// The kind of that name; nullptr when there is none.
const AlbumKind* FindAlbumKind(const Text& name);

struct AlbumSource {
  int lineNumber = 0;
  Text line;                        // as the retrieval sees it
  const AlbumKind* kind = nullptr;  // nullptr: no kind takes the line (empty lines too)
  LineReading reading;              // what the kind made of it
  bool Usable() const { return kind != nullptr && reading.verdict == LineReading::Verdict::kMine; }
};

std::vector<AlbumSource> AlbumSources(const Text& input, const Site& site);

}  // namespace albumdl
