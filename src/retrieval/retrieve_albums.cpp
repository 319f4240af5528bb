#include "retrieval/retrieve_albums.h"

#include <map>
#include <string>
#include <utility>

#include "site/album_kinds.h"

namespace albumdl {

namespace {

// An album the site reports as empty is listed but not ticked, and so is one
// whose answer never came right: there is nothing to download.
void Tick(Album& album) { album.ticked = !album.failed && album.pictureCount != 0; }

void TellFailure(Views& views, const Album& album) {
  views.Tell(LogLine{"第" + std::to_string(album.lineNumber) + "行的相册获取失败：" + album.line +
                     "\r\n"});
  if (!album.failure.empty()) views.Tell(LogLine{"原因：" + album.failure + "\r\n"});
}

}  // namespace

void RetrieveAlbums(Views& views, const ViewValues& values, AlbumList& albums, Session& session,
                    RunGate& gate, Pacer& pacer, const Text& input) {
  // Only a truly empty box is refused; blanks alone go through and give an
  // empty list.
  if (input.empty()) {
    views.Tell(RetrievalReport{RetrievalReport::Stage::kNoInput});
    return;
  }

  views.Tell(RetrievalReport{RetrievalReport::Stage::kStarted});
  views.Tell(LogLine{"正努力获取相册列表，耐心等待哈！\r\n\r\n"});
  // The user's ticks of the list before stay with the same albums (the same
  // kind and id) when the list is fetched again. An album that failed was
  // unticked by the list, not by the user: once its answer comes right it is
  // ticked like any other.
  std::map<std::pair<Text, Text>, bool> ticksBefore;
  for (const Album& album : albums.Rows())
    if (!album.failed) ticksBefore[{album.kind, album.id}] = album.ticked;
  int ticksKept = 0;
  albums.ClearRows();

  Asking asking{session, gate, pacer, values.DebugSwitch(),
                [&views](const Text& line) { views.Tell(LogLine{line}); }};
  for (const AlbumSource& source : AlbumSources(input, session.site)) {
    if (source.kind == nullptr) continue;
    if (!source.Usable()) {
      views.Tell(LogLine{"第" + std::to_string(source.lineNumber) + "行为空或者网址不对\r\n"});
      continue;
    }
    std::optional<Album> album = source.kind->Answer(source.reading.key, asking);
    // Ended from outside during the request: the rest is left.
    if (!album) break;
    album->lineNumber = source.lineNumber;
    album->line = source.line;
    Tick(*album);
    if (const auto before = ticksBefore.find({album->kind, album->id});
        before != ticksBefore.end() && !album->failed && before->second != album->ticked) {
      album->ticked = before->second;
      ++ticksKept;
    }
    if (album->failed) TellFailure(views, *album);
    albums.AppendRow(std::move(*album));
    // One second after every answer; ended during it, the rest is left.
    if (!pacer.PumpingWait(1000)) break;
  }

  if (ticksKept > 0)
    views.Tell(LogLine{std::to_string(ticksKept) + "个相册保留了上次列表中的勾选\r\n"});
  views.Tell(LogLine{"-----获取完毕,共计" + std::to_string(albums.RowCount()) + "个\r\n\r\n"});
  views.Tell(RetrievalReport{RetrievalReport::Stage::kFinished, albums.RowCount()});
}

}  // namespace albumdl
