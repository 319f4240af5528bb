#include "model/album_list.h"

#include <utility>

namespace albumdl {

void AlbumList::AnnounceLocked(const AlbumListChange& change) {
  if (observer_) observer_(change);
}

void AlbumList::ClearRows() {
  std::lock_guard lock(mutex_);
  rows_.clear();
  AnnounceLocked({});
}

int AlbumList::AppendRow(Album album) {
  std::lock_guard lock(mutex_);
  album.serial = static_cast<int>(rows_.size()) + 1;
  rows_.push_back(std::move(album));
  AlbumListChange change;
  change.kind = AlbumListChange::Kind::kRowAppended;
  change.row = static_cast<int>(rows_.size()) - 1;
  change.album = rows_.back();
  AnnounceLocked(change);
  return change.row;
}

void AlbumList::SetChecked(int row, bool checked) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  if (rows_[row].ticked == checked) return;
  rows_[row].ticked = checked;
  AlbumListChange change;
  change.kind = AlbumListChange::Kind::kRowChanged;
  change.row = row;
  change.album = rows_[row];
  AnnounceLocked(change);
}

bool AlbumList::IsChecked(int row) const {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size())) return false;
  return rows_[row].ticked;
}

int AlbumList::RowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

std::vector<Album> AlbumList::Rows() const {
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
