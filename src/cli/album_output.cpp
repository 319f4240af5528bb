#include "cli/album_output.h"

#include <nlohmann/json.hpp>
#include <string>

#include "views/captions.h"

namespace albumdl::cli {

std::string AlbumTable(const AlbumList& list) {
  std::string table;
  for (const Album& album : list.Rows()) {
    table += album.ticked ? "[x]" : "[ ]";
    for (const Text& cell :
         {Text(std::to_string(album.serial)), CountCaption(album), album.id, album.title})
      table += "\t" + AnsiToUtf8(cell);
    table += "\n";
  }
  return table;
}

std::string AlbumListJson(const AlbumList& list) {
  nlohmann::json albums = nlohmann::json::array();
  for (const Album& album : list.Rows()) {
    const std::string count = album.pictureCount ? std::to_string(*album.pictureCount) : "";
    nlohmann::json entry = {{"serial", std::to_string(album.serial)},
                            {"title", AnsiToUtf8(album.title)},
                            {"count", count},
                            {"id", AnsiToUtf8(album.id)},
                            {"checked", album.ticked}};
    if (album.failed) entry["failure"] = AnsiToUtf8(album.failure);
    albums.push_back(std::move(entry));
  }
  // The texts came through the code-page converter and are valid UTF-8; should
  // one not be, a replacement character is better than no list at all.
  return nlohmann::json{{"albums", albums}}.dump(-1, ' ', false,
                                                 nlohmann::json::error_handler_t::replace);
}

}  // namespace albumdl::cli
