// The album list: one row per album found, each with a check mark and the
// columns 序号, 相册名称, 封面, 图片数量, 相册ID, 相册问题, 相册密码 (1 to 7;
// column 0 is the check mark). Thread-safe: the retrieval thread fills it, the
// window thread ticks rows, a download run takes a copy of the rows as it
// starts. A view follows it through the changes it announces: one per row, in
// the order they happen, each carrying what changed.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <vector>

#include "text/text.h"

namespace albumdl {

enum AlbumColumn : int {
  kColumnCheck = 0,
  kColumnSerial = 1,
  kColumnTitle = 2,
  kColumnCover = 3,
  kColumnCount = 4,
  kColumnAlbumId = 5,
  kColumnQuestion = 6,
  kColumnPassword = 7,
};
inline constexpr int kAlbumColumns = 8;

struct AlbumRow {
  bool checked = false;
  std::array<Text, kAlbumColumns> cells;  // cells[0] stays empty
};

struct AlbumListChange {
  enum class Kind {
    kCleared,      // every row is gone
    kRowAppended,  // row was appended as data
    kRowChanged,   // row (its mark or a cell) is now data
    kColumnWidth,  // column is now width pixels wide
  };
  Kind kind = Kind::kCleared;
  int row = -1;
  AlbumRow data;
  int column = -1;
  int width = 0;
};

class AlbumList {
 public:
  void ClearRows();
  int AppendRow();                     // an empty, unchecked row; returns its index
  int AppendRow(const AlbumRow& row);  // a whole row, announced once
  void SetCell(int row, int column, const Text& text);
  Text GetCell(int row, int column) const;  // empty when out of range
  void SetChecked(int row, bool checked);
  bool IsChecked(int row) const;
  int RowCount() const;
  void SetColumnWidth(int column, int pixels);
  int ColumnWidth(int column) const;
  std::vector<AlbumRow> Rows() const;  // a copy

  // Called for every change, under the list's lock, so a view receives the
  // changes in exactly the order they were made. The observer must be quick,
  // must not wait for another thread and must not call back into the list
  // (a view queues the change for its own thread).
  void SetObserver(std::function<void(const AlbumListChange&)> observer);

 private:
  void AnnounceLocked(const AlbumListChange& change);
  mutable std::mutex mutex_;
  std::vector<AlbumRow> rows_;
  std::array<int, kAlbumColumns> widths_{60, 40, 120, 100, 70, 80, 80, 80};
  std::function<void(const AlbumListChange&)> observer_;
};

// The one-shot selection commands behind the two check boxes 全选 and 反选.
// Each takes the boxes' states after the click toggled its own box.
void SelectAll(AlbumList& list, bool selectAllChecked, bool& invertChecked);
void InvertSelection(AlbumList& list, bool invertChecked, bool& selectAllChecked);

}  // namespace albumdl
