// The album list 超级列表框1 as a Qt table: a check box in column 0 and the
// seven text columns of an album row. It mirrors the AlbumList by applying the
// list's announcements in order (on the window thread) and never reads the list
// itself; a tick by the user goes to the list, which announces it back.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

#include "model/album_list.h"

namespace albumdl::app {

class AlbumTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  AlbumTableModel(AlbumList& list, QObject* parent = nullptr);

  // Window thread: one announcement of the list.
  void Apply(const AlbumListChange& change);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 signals:
  // A column's width as the list announced it (0: hidden).
  void columnWidthChanged(int column, int width);

 private:
  struct Row {
    bool checked = false;
    std::array<QString, kAlbumColumns> cells;
  };
  static Row RowOf(const AlbumRow& data);

  AlbumList& list_;
  std::vector<Row> rows_;
};

// The headers of the eight columns and their widths at design.
QString AlbumColumnHeader(int column);
int AlbumColumnDesignWidth(int column);

}  // namespace albumdl::app
