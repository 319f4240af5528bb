// The album list as albumdl prints it: a table for people, JSON for programs.
// Both come out in UTF-8.
#pragma once

#include <string>

#include "model/album_list.h"

namespace albumdl::cli {

// One line per row: "[x]" or "[ ]", serial, count, album id, title; tab-separated.
std::string AlbumTable(const AlbumList& list);
// {"albums":[{"serial":"1","title":...,"count":...,"id":...,"checked":true}]} on one line.
std::string AlbumListJson(const AlbumList& list);

}  // namespace albumdl::cli
