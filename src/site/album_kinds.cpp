#include "site/album_kinds.h"

#include "site/board_album.h"
#include "site/keyword_album.h"

namespace albumdl {

const std::vector<const AlbumKind*>& AlbumKinds() {
  // A board line is looked for first: a board address may hold "search/?q"
  // somewhere after its id.
  static const std::vector<const AlbumKind*> kinds = {
      &BoardAlbum(),
      &KeywordAlbum(),
  };
  return kinds;
}

const AlbumKind* FindAlbumKind(const Text& name) {
  for (const AlbumKind* kind : AlbumKinds()) {
    if (kind->Name() == name) return kind;
  }
  return nullptr;
}

std::vector<AlbumSource> AlbumSources(const Text& input, const Site& site) {
  const std::vector<Text> lines = TextSplit(TextTrim(input), "\r\n");
  std::vector<AlbumSource> sources;
  sources.reserve(lines.size());
  for (size_t index = 0; index < lines.size(); ++index) {
    AlbumSource source;
    source.lineNumber = static_cast<int>(index + 1);
    source.line = lines[index];
    for (const AlbumKind* kind : AlbumKinds()) {
      LineReading reading = kind->ReadLine(source.line, site);
      if (reading.verdict == LineReading::Verdict::kNotMine) continue;
      source.kind = kind;
      source.reading = std::move(reading);
      break;
    }
    sources.push_back(std::move(source));
  }
  return sources;
}

}  // namespace albumdl
