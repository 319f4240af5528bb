#include "site/album_sources.h"

#include "text/safe_name.h"

namespace albumdl {

std::vector<AlbumSource> AlbumSources(const Text& input, const Site& site) {
  const Text boardMarker = BoardLineMarker(site);
  const std::vector<Text> lines = TextSplit(TextTrim(input), "\r\n");
  std::vector<AlbumSource> sources;
  sources.reserve(lines.size());
  for (size_t index = 0; index < lines.size(); ++index) {
    AlbumSource source;
    source.lineNumber = static_cast<int>(index + 1);
    source.line = lines[index];
    if (TextFind(source.line, boardMarker) != -1) {
      source.boardId = TextBetween(source.line, boardMarker, "/");
      source.kind =
          IsSafeBoardId(source.boardId) ? AlbumSource::Kind::kBoard : AlbumSource::Kind::kBadBoard;
      if (source.kind == AlbumSource::Kind::kBadBoard) source.boardId.clear();
    } else if (TextFind(source.line, "search/?q") != -1) {
      source.kind = AlbumSource::Kind::kSearch;
    }
    sources.push_back(std::move(source));
  }
  return sources;
}

}  // namespace albumdl
