// What the user does in the album list besides ticking a box: Space ticks or
// unticks every selected row from any column, a double click opens the
// album's folder, the context menu opens the folder or the album's page in
// the viewer and ticks or unticks the selected rows, a click on a header
// sorts. The view shows the list sorted; rows here are always rows of the
// album list itself, whatever the order on the screen.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "app/album_table_model.h"
#include "model/album_list.h"

class QMenu;
class QPoint;
class QSortFilterProxyModel;
class QTableView;

namespace albumdl::app {

class AlbumListControl : public QObject {
  Q_OBJECT

 public:
  // folderOf: the album's folder (native) when it exists, else empty.
  AlbumListControl(QTableView* view, AlbumTableModel* model, AlbumList& list,
                   std::function<QString(const Album&)> folderOf, QObject* parent = nullptr);

  // The selected rows (rows of the list), in list order.
  std::vector<int> SelectedRows() const;
  void TickSelected(bool ticked);
  // Space: the selected rows all take the opposite of the current row's tick.
  void ToggleSelected();

  // Column widths as the user left them; a hidden column keeps its width.
  std::array<int, kAlbumColumns> ColumnWidths() const { return widths_; }
  void SetColumnWidth(int column, int width);
  // The menu last opened (tests); nullptr before.
  QMenu* Menu() const { return menu_; }

 signals:
  void openFolderRequested(const QString& folder);
  void openPageRequested(int row);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int RowAt(const QModelIndex& viewIndex) const;
  void ShowMenu(const QPoint& position);

  QTableView* view_;
  AlbumTableModel* model_;
  AlbumList& list_;
  std::function<QString(const Album&)> folderOf_;
  QSortFilterProxyModel* sorted_;
  QMenu* menu_ = nullptr;
  std::array<int, kAlbumColumns> widths_{};
};

}  // namespace albumdl::app
