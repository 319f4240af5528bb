#include "model/album_list.h"

#include <utility>

namespace albumdl {

namespace {
bool ValidColumn(int column) { return column >= 0 && column < kAlbumColumns; }
}  // namespace

void AlbumList::AnnounceLocked(const AlbumListChange& change) {
  if (observer_) observer_(change);
}

void AlbumList::ClearRows() {
  std::lock_guard lock(mutex_);
  rows_.clear();
  AnnounceLocked({});
}

int AlbumList::AppendRow() { return AppendRow(AlbumRow{}); }

int AlbumList::AppendRow(const AlbumRow& row) {
  std::lock_guard lock(mutex_);
  rows_.push_back(row);
  rows_.back().cells[kColumnCheck].clear();  // the mark is no text
  const int index = static_cast<int>(rows_.size()) - 1;
  AlbumListChange change;
  change.kind = AlbumListChange::Kind::kRowAppended;
  change.row = index;
  change.data = rows_.back();
  AnnounceLocked(change);
  return index;
}

void AlbumList::SetCell(int row, int column, const Text& text) {
  std::lock_guard lock(mutex_);
  // Column 0 is the check mark and never holds text.
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 1 || !ValidColumn(column))
    return;
  if (rows_[row].cells[column] == text) return;
  rows_[row].cells[column] = text;
  AlbumListChange change;
  change.kind = AlbumListChange::Kind::kRowChanged;
  change.row = row;
  change.data = rows_[row];
  AnnounceLocked(change);
}

Text AlbumList::GetCell(int row, int column) const {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || !ValidColumn(column)) return {};
  return rows_[row].cells[column];
}

void AlbumList::SetChecked(int row, bool checked) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  if (rows_[row].checked == checked) return;
  rows_[row].checked = checked;
  AlbumListChange change;
  change.kind = AlbumListChange::Kind::kRowChanged;
  change.row = row;
  change.data = rows_[row];
  AnnounceLocked(change);
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
  std::lock_guard lock(mutex_);
  if (!ValidColumn(column)) return;
  const int width = pixels < 0 ? 0 : pixels;
  if (widths_[column] == width) return;
  widths_[column] = width;
  AlbumListChange change;
  change.kind = AlbumListChange::Kind::kColumnWidth;
  change.column = column;
  change.width = width;
  AnnounceLocked(change);
}

int AlbumList::ColumnWidth(int column) const {
  std::lock_guard lock(mutex_);
  return ValidColumn(column) ? widths_[column] : 0;
}

std::vector<AlbumRow> AlbumList::Rows() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

void AlbumList::SetObserver(std::function<void(const AlbumListChange&)> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
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
