// The album list 超级列表框1 as a Qt table: a check box in column 0 and the
// seven text columns of an album (序号, 相册名称, 封面, 图片数量, 相册ID,
// 相册问题, 相册密码). It mirrors the AlbumList by applying the list's
// announcements in order (on the window thread) and never reads the list
// itself; a tick by the user goes to the list, which announces it back. An
// album whose answer never came right reads "获取失败", with the reason as its
// tool tip.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

#include "model/album_list.h"

namespace albumdl::app {

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

// What the list sorts a column by: numbers as numbers (a count the site did
// not give sorts first), the tick as a number, names as text.
inline constexpr int kSortRole = Qt::UserRole + 1;

class AlbumTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  AlbumTableModel(AlbumList& list, QObject* parent = nullptr);

  // Window thread: one announcement of the list.
  void Apply(const AlbumListChange& change);
  // The album of a row as it was last announced; nullptr for no such row.
  const Album* AlbumAt(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  struct Row {
    Album album;
    bool checked = false;
    bool failed = false;
    QString failure;
    std::array<QString, kAlbumColumns> cells;
  };
  static Row RowOf(const Album& album);

  AlbumList& list_;
  std::vector<Row> rows_;
};

// The headers of the eight columns and their widths at design.
QString AlbumColumnHeader(int column);
int AlbumColumnDesignWidth(int column);

}  // namespace albumdl::app
