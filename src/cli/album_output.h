// The album list as albumdl prints it: a table for people, JSON for programs.
// Both come out in UTF-8.
#pragma once

#include <string>

#include "model/album_list.h"

namespace albumdl::cli {

// One line per row: "[x]" or "[ ]", serial, count, album id, title; tab-separated.
// An album whose answer never came right shows "获取失败" as its count.
std::string AlbumTable(const AlbumList& list);
// {"albums":[{"serial":"1","title":...,"count":...,"id":...,"checked":true}]} on one line;
// an album whose answer never came right has an empty count and "failure": why.
std::string AlbumListJson(const AlbumList& list);

}  // namespace albumdl::cli
