// The album list: one typed Album per album found, in the order found, each
// ticked or not. Thread-safe: the retrieval thread fills it, the window thread
// ticks albums, a download run takes a copy as it starts. A view follows it
// through the changes it announces: one per row, in the order they happen,
// each carrying the album as it now is.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "model/album.h"

namespace albumdl {

struct AlbumListChange {
  enum class Kind {
    kCleared,      // every row is gone
    kRowAppended,  // row was appended as album
    kRowChanged,   // row is now album (its tick changed)
  };
  Kind kind = Kind::kCleared;
  int row = -1;
  Album album;
};

class AlbumList {
 public:
  void ClearRows();
  // Appends the album, numbered after the rows before it (its serial); returns
  // its row, from 0.
  int AppendRow(Album album);
  void SetChecked(int row, bool checked);
  bool IsChecked(int row) const;  // false when out of range
  int RowCount() const;
  std::vector<Album> Rows() const;  // a copy

  // Called for every change, under the list's lock, so a view receives the
  // changes in exactly the order they were made. The observer must be quick,
  // must not wait for another thread and must not call back into the list
  // (a view queues the change for its own thread).
  void SetObserver(std::function<void(const AlbumListChange&)> observer);

 private:
  void AnnounceLocked(const AlbumListChange& change);
  mutable std::mutex mutex_;
  std::vector<Album> rows_;
  std::function<void(const AlbumListChange&)> observer_;
};

// The one-shot selection commands behind the two check boxes 全选 and 反选.
// Each takes the boxes' states after the click toggled its own box.
void SelectAll(AlbumList& list, bool selectAllChecked, bool& invertChecked);
void InvertSelection(AlbumList& list, bool invertChecked, bool& selectAllChecked);

}  // namespace albumdl
