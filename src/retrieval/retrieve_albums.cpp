#include "retrieval/retrieve_albums.h"

#include <string>

#include "net/winhttp_request.h"
#include "platform/files.h"
#include "site/album_sources.h"
#include "site/site.h"
#include "text/file_helpers.h"
#include "text/safe_name.h"
#include "views/captions.h"

namespace albumdl {

namespace {

inline const Text kKeywordPrefix = "关键词_";

struct AlbumAnswer {
  Text name;   // already cleaned for use as a folder name
  Text count;  // exactly as the site wrote it
};

// What the site wrote goes into folder names, record-store names and the
// console: its control characters never get that far.
AlbumAnswer ReadBoardAnswer(const Text& answer) {
  return {CleanFileName(RemoveControlCharacters(TextBetween(answer, "title#引号:#引号", "#引号"))),
          RemoveControlCharacters(TextBetween(answer, "#引号pin_count#引号:", ","))};
}

AlbumAnswer ReadSearchAnswer(const Text& answer) {
  return {
      CleanFileName(RemoveControlCharacters(TextBetween(answer, "#引号text#引号:#引号", "#引号,"))),
      RemoveControlCharacters(TextBetween(answer, "#引号total#引号:", "},"))};
}

// The row goes in whole, so a view hears of it once. The columns 3, 6 and 7
// carry nothing and are hidden again with every row.
void AppendAlbumRow(AlbumList& list, const Text& name, const Text& count, const Text& albumId) {
  AlbumRow row;
  row.cells[kColumnSerial] = std::to_string(list.RowCount() + 1);
  row.cells[kColumnTitle] = name;
  row.cells[kColumnCount] = count;
  row.cells[kColumnAlbumId] = albumId;
  // An album the site reports as empty is listed but not ticked; an unknown count
  // (a failed request) is ticked, since the album may well hold pictures.
  row.checked = count != "0";
  list.AppendRow(row);
  list.SetColumnWidth(kColumnCover, 0);
  list.SetColumnWidth(kColumnQuestion, 0);
  list.SetColumnWidth(kColumnPassword, 0);
}

// Asks for one board's answer. The board request sends the session's cookies
// for the site and gives the jar what the site set.
// Returns false when the pause after the request was ended.
bool RetrieveBoard(Window& window, Session& session, Pacer& pacer, const Text& boardId) {
  const HttpResult reply = WinHttpRequest({.url = BoardAnswerUrl(session.site, boardId),
                                           .headers = kJsonRequestHeaders,
                                           .limits = kPageLimits,
                                           .jar = &session.cookies});
  const Bytes& body = reply.body;
  const bool goOn = pacer.PumpingWait(1000);

  const Text answer = Utf8ToAnsi(body);
  if (window.Values().DebugSwitch())
    platform::WriteWholeFile(session.programDirectory + "\\json.txt", answer);
  const AlbumAnswer album = ReadBoardAnswer(answer);
  AppendAlbumRow(window.Albums(), album.name, album.count, boardId);
  return goOn;
}

// A search address is requested as typed, without cookies of its own.
bool RetrieveSearch(Window& window, Pacer& pacer, const Text& address) {
  const Bytes body =
      WinHttpRequest({.url = address, .headers = kJsonRequestHeaders, .limits = kPageLimits}).body;
  const bool goOn = pacer.PumpingWait(1000);

  const AlbumAnswer album = ReadSearchAnswer(Utf8ToAnsi(body));
  AppendAlbumRow(window.Albums(), album.name, album.count, kKeywordPrefix + album.name);
  return goOn;
}

}  // namespace

void RetrieveAlbums(Window& window, Session& session, Pacer& pacer, const Text& input) {
  // Only a truly empty box is refused; blanks alone go through and give an
  // empty list.
  if (input.empty()) {
    window.Notify("请输入网址", kMessageTitle);
    window.SetCurrentPage(0);
    return;
  }

  window.SetStatusCaption("温馨提示：正在获取相册列表...");
  window.AppendLog("正努力获取相册列表，耐心等待哈！\r\n\r\n");
  window.ShowBusyBoard(true);
  window.SetStatusCaption("群相册获取中，耐心等待...");

  AlbumList& list = window.Albums();
  list.ClearRows();
  list.SetColumnWidth(kColumnAlbumId, 120);

  for (const AlbumSource& source : AlbumSources(input, session.site)) {
    bool goOn = true;
    switch (source.kind) {
      case AlbumSource::Kind::kBoard:
        goOn = RetrieveBoard(window, session, pacer, source.boardId);
        break;
      case AlbumSource::Kind::kBadBoard:
        window.AppendLog("第" + std::to_string(source.lineNumber) + "行为空或者网址不对\r\n");
        break;
      case AlbumSource::Kind::kSearch:
        goOn = RetrieveSearch(window, pacer, source.line);
        break;
      case AlbumSource::Kind::kOther:
        break;
    }
    // Ended from outside: the line in hand is finished, the rest is left.
    if (!goOn) break;
  }

  const std::string rows = std::to_string(list.RowCount());
  window.SetStatusCaption("相册获取完毕，共计：" + rows + "个,相册内没有图片的，这里不显示！");
  window.ShowBusyBoard(false);
  window.SetStatusCaption("温馨提示：相册列表获取完毕,共计" + rows + "个");
  window.AppendLog("-----获取完毕,共计" + rows + "个\r\n\r\n");
}

}  // namespace albumdl
