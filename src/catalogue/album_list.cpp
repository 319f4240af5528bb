#include "catalogue/album_list.h"

#include <utility>

namespace albumdl {

namespace {
bool ValidColumn(int column) { return column >= 0 && column < kAlbumColumns; }
}  // namespace

void AlbumList::ClearRows() {
  {
    std::lock_guard lock(mutex_);
    rows_.clear();
  }
  Changed();
}

int AlbumList::AppendRow() {
  int index;
  {
    std::lock_guard lock(mutex_);
    rows_.emplace_back();
    index = static_cast<int>(rows_.size()) - 1;
  }
  Changed();
  return index;
}

void AlbumList::SetCell(int row, int column, const Text& text) {
  {
    std::lock_guard lock(mutex_);
    // Column 0 is the check mark and never holds text.
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 1 || !ValidColumn(column))
      return;
    rows_[row].cells[column] = text;
  }
  Changed();
}

Text AlbumList::GetCell(int row, int column) const {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || !ValidColumn(column)) return {};
  return rows_[row].cells[column];
}

void AlbumList::SetChecked(int row, bool checked) {
  {
    std::lock_guard lock(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    rows_[row].checked = checked;
  }
  Changed();
}

bool AlbumList::IsChecked(int row) const {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size())) return false;
  return rows_[row].checked;
}

int AlbumList::RowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

void AlbumList::SetColumnWidth(int column, int pixels) {
  {
    std::lock_guard lock(mutex_);
    if (!ValidColumn(column)) return;
    widths_[column] = pixels < 0 ? 0 : pixels;
  }
  Changed();
}

int AlbumList::ColumnWidth(int column) const {
  std::lock_guard lock(mutex_);
  return ValidColumn(column) ? widths_[column] : 0;
}

std::vector<AlbumRow> AlbumList::Rows() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

void AlbumList::SetChangedCallback(std::function<void()> callback) {
  std::lock_guard lock(mutex_);
  changed_ = std::move(callback);
}

// The callback may well read the list back (a view refreshing itself), so it
// runs on a copy taken under the lock and never while the lock is held.
void AlbumList::Changed() {
  std::function<void()> callback;
  {
    std::lock_guard lock(mutex_);
    callback = changed_;
  }
  if (callback) callback();
}

// The two boxes are one-shot commands: unticking either leaves the rows alone,
// ticking one unticks the other. The row count is taken once, before the loop,
// so rows appended meanwhile are not touched.
void SelectAll(AlbumList& list, bool selectAllChecked, bool& invertChecked) {
  if (!selectAllChecked) return;
  invertChecked = false;
  const int rows = list.RowCount();
  for (int row = 0; row < rows; ++row) list.SetChecked(row, true);
}

void InvertSelection(AlbumList& list, bool invertChecked, bool& selectAllChecked) {
  if (!invertChecked) return;
  selectAllChecked = false;
  const int rows = list.RowCount();
  for (int row = 0; row < rows; ++row) list.SetChecked(row, !list.IsChecked(row));
}

}  // namespace albumdl
