#include "cli/album_output.h"

#include <nlohmann/json.hpp>

namespace albumdl::cli {

std::string AlbumTable(const AlbumList& list) {
  std::string table;
  for (const AlbumRow& row : list.Rows()) {
    table += row.checked ? "[x]" : "[ ]";
    for (int column : {kColumnSerial, kColumnCount, kColumnAlbumId, kColumnTitle})
      table += "\t" + AnsiToUtf8(row.cells[column]);
    table += "\n";
  }
  return table;
}

std::string AlbumListJson(const AlbumList& list) {
  nlohmann::json albums = nlohmann::json::array();
  for (const AlbumRow& row : list.Rows()) {
    albums.push_back({{"serial", AnsiToUtf8(row.cells[kColumnSerial])},
                      {"title", AnsiToUtf8(row.cells[kColumnTitle])},
                      {"count", AnsiToUtf8(row.cells[kColumnCount])},
                      {"id", AnsiToUtf8(row.cells[kColumnAlbumId])},
                      {"checked", row.checked}});
  }
  // The texts came through the code-page converter and are valid UTF-8; should
  // one not be, a replacement character is better than no list at all.
  return nlohmann::json{{"albums", albums}}.dump(-1, ' ', false,
                                                 nlohmann::json::error_handler_t::replace);
}

}  // namespace albumdl::cli
