#include "app/album_table_model.h"

#include "app/qt_text.h"
#include "views/captions.h"

namespace albumdl::app {

QString AlbumColumnHeader(int column) {
  static const char* const kHeaders[kAlbumColumns] = {"选择",     "序号",   "相册名称", "封面",
                                                      "图片数量", "相册ID", "相册问题", "相册密码"};
  return column >= 0 && column < kAlbumColumns ? QString::fromUtf8(kHeaders[column]) : QString();
}

int AlbumColumnDesignWidth(int column) {
  static const int kWidths[kAlbumColumns] = {60, 40, 120, 100, 70, 80, 80, 80};
  return column >= 0 && column < kAlbumColumns ? kWidths[column] : 0;
}

AlbumTableModel::AlbumTableModel(AlbumList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {}

AlbumTableModel::Row AlbumTableModel::RowOf(const Album& album) {
  Row row;
  row.album = album;
  row.checked = album.ticked;
  row.failed = album.failed;
  row.failure = ToQString(album.failure);
  row.cells[kColumnSerial] = QString::number(album.serial);
  row.cells[kColumnTitle] = ToQString(album.title);
  row.cells[kColumnCount] = ToQString(CountCaption(album));
  row.cells[kColumnAlbumId] = ToQString(album.id);
  return row;
}

void AlbumTableModel::Apply(const AlbumListChange& change) {
  using Kind = AlbumListChange::Kind;
  switch (change.kind) {
    case Kind::kCleared:
      if (rows_.empty()) return;
      beginRemoveRows({}, 0, static_cast<int>(rows_.size()) - 1);
      rows_.clear();
      endRemoveRows();
      return;
    case Kind::kRowAppended: {
      // Announcements come in order, so an appended row is always the next one.
      const int row = static_cast<int>(rows_.size());
      beginInsertRows({}, row, row);
      rows_.push_back(RowOf(change.album));
      endInsertRows();
      return;
    }
    case Kind::kRowChanged:
      if (change.row < 0 || change.row >= static_cast<int>(rows_.size())) return;
      rows_[change.row] = RowOf(change.album);
      emit dataChanged(index(change.row, 0), index(change.row, kAlbumColumns - 1));
      return;
  }
}

const Album* AlbumTableModel::AlbumAt(int row) const {
  return row >= 0 && row < static_cast<int>(rows_.size()) ? &rows_[row].album : nullptr;
}

int AlbumTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int AlbumTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kAlbumColumns;
}

QVariant AlbumTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  const Row& row = rows_[index.row()];
  if (role == kSortRole) {
    switch (index.column()) {
      case kColumnCheck:
        return row.checked ? 1 : 0;
      case kColumnSerial:
        return row.album.serial;
      case kColumnCount:
        return row.failed ? -2 : row.album.pictureCount ? *row.album.pictureCount : -1;
      default:
        return row.cells[index.column()];
    }
  }
  if (index.column() == kColumnCheck) {
    if (role == Qt::CheckStateRole)
      return static_cast<int>(row.checked ? Qt::Checked : Qt::Unchecked);
    return {};
  }
  if (role == Qt::DisplayRole) return row.cells[index.column()];
  if (role == Qt::ToolTipRole) return row.failed ? row.failure : row.cells[index.column()];
  return {};
}

// The mark is the list's: the model changes when the list announces it.
bool AlbumTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.column() != kColumnCheck || role != Qt::CheckStateRole)
    return false;
  list_.SetChecked(index.row(), value.toInt() == Qt::Checked);
  return true;
}

Qt::ItemFlags AlbumTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == kColumnCheck) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

QVariant AlbumTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return AlbumColumnHeader(section);
}

}  // namespace albumdl::app
