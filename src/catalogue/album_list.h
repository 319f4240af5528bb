// The album list: one row per album found, each with a check mark and the
// columns 序号, 相册名称, 封面, 图片数量, 相册ID, 相册问题, 相册密码 (1 to 7;
// column 0 is the check mark). Thread-safe: the window thread owns it, the
// download thread reads it.
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

class AlbumList {
 public:
  void ClearRows();
  int AppendRow();  // an empty, unchecked row; returns its index
  void SetCell(int row, int column, const Text& text);
  Text GetCell(int row, int column) const;  // empty when out of range
  void SetChecked(int row, bool checked);
  bool IsChecked(int row) const;
  int RowCount() const;
  void SetColumnWidth(int column, int pixels);
  int ColumnWidth(int column) const;
  std::vector<AlbumRow> Rows() const;  // a snapshot

  // Called (outside the lock) after every change, so a view can follow.
  void SetChangedCallback(std::function<void()> callback);

 private:
  void Changed();
  mutable std::mutex mutex_;
  std::vector<AlbumRow> rows_;
  std::array<int, kAlbumColumns> widths_{60, 40, 120, 100, 70, 80, 80, 80};
  std::function<void()> changed_;
};

// The one-shot selection commands behind the two check boxes 全选 and 反选.
// Each takes the boxes' states after the click toggled its own box.
void SelectAll(AlbumList& list, bool selectAllChecked, bool& invertChecked);
void InvertSelection(AlbumList& list, bool invertChecked, bool& selectAllChecked);

}  // namespace albumdl
