#include "app/album_list_control.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <algorithm>

namespace albumdl::app {

AlbumListControl::AlbumListControl(QTableView* view, AlbumTableModel* model, AlbumList& list,
                                   std::function<QString(const Album&)> folderOf, QObject* parent)
    : QObject(parent),
      view_(view),
      model_(model),
      list_(list),
      folderOf_(std::move(folderOf)),
      sorted_(new QSortFilterProxyModel(this)) {
  sorted_->setSourceModel(model_);
  sorted_->setSortRole(kSortRole);
  sorted_->setSortLocaleAware(true);
  view_->setModel(sorted_);
  for (int column = 0; column < kAlbumColumns; ++column) {
    widths_[column] = AlbumColumnDesignWidth(column);
    view_->setColumnWidth(column, widths_[column]);
  }
  // Unsorted until the user clicks a header: the list's own order.
  QHeaderView* header = view_->horizontalHeader();
  header->setSortIndicator(-1, Qt::AscendingOrder);
  header->setSortIndicatorShown(true);
  view_->setSortingEnabled(true);
  connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
    if (column >= 0 && column < kAlbumColumns && width > 0) widths_[column] = width;
  });
  view_->installEventFilter(this);
  connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    const Album* album = model_->AlbumAt(RowAt(index));
    if (album == nullptr) return;
    const QString folder = folderOf_(*album);
    if (!folder.isEmpty()) emit openFolderRequested(folder);
  });
  connect(view_, &QWidget::customContextMenuRequested, this, &AlbumListControl::ShowMenu);
}

void AlbumListControl::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= kAlbumColumns || width <= 0) return;
  widths_[column] = width;
  view_->setColumnWidth(column, width);
}

int AlbumListControl::RowAt(const QModelIndex& viewIndex) const {
  if (!viewIndex.isValid()) return -1;
  return sorted_->mapToSource(viewIndex).row();
}

std::vector<int> AlbumListControl::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows())
    rows.push_back(RowAt(index));
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The list announces each tick back to the model; the view follows it.
void AlbumListControl::TickSelected(bool ticked) {
  for (int row : SelectedRows()) list_.SetChecked(row, ticked);
}

void AlbumListControl::ToggleSelected() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  int lead = RowAt(view_->currentIndex());
  if (std::find(rows.begin(), rows.end(), lead) == rows.end()) lead = rows.front();
  const Album* album = model_->AlbumAt(lead);
  TickSelected(album == nullptr || !album->ticked);
}

bool AlbumListControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
      ToggleSelected();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

// The menu acts on the selection; a right click outside it selects the row
// under the pointer first, as file browsers do.
void AlbumListControl::ShowMenu(const QPoint& position) {
  const QModelIndex under = view_->indexAt(position);
  if (under.isValid() && !view_->selectionModel()->isRowSelected(under.row(), {})) {
    view_->selectionModel()->select(
        under, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view_->selectionModel()->setCurrentIndex(under, QItemSelectionModel::NoUpdate);
  }
  const std::vector<int> rows = SelectedRows();
  const int row = under.isValid() ? RowAt(under) : (rows.empty() ? -1 : rows.front());
  const Album* album = model_->AlbumAt(row);

  if (menu_ != nullptr) menu_->deleteLater();
  menu_ = new QMenu(view_);
  menu_->setObjectName(QStringLiteral("相册列表菜单"));
  menu_->setAttribute(Qt::WA_DeleteOnClose);
  connect(menu_, &QObject::destroyed, this, [this, menu = menu_] {
    if (menu_ == menu) menu_ = nullptr;
  });
  const QString folder = album ? folderOf_(*album) : QString();
  QAction* open = menu_->addAction(QString::fromUtf8("打开相册文件夹"));
  open->setObjectName(QStringLiteral("菜单_打开相册文件夹"));
  open->setEnabled(!folder.isEmpty());
  connect(open, &QAction::triggered, this, [this, folder] { emit openFolderRequested(folder); });
  QAction* page = menu_->addAction(QString::fromUtf8("在登录页的浏览器中打开相册网页"));
  page->setObjectName(QStringLiteral("菜单_打开相册网页"));
  page->setEnabled(album != nullptr);
  connect(page, &QAction::triggered, this, [this, row] { emit openPageRequested(row); });
  menu_->addSeparator();
  QAction* tick = menu_->addAction(QString::fromUtf8("勾选选中的相册"));
  tick->setObjectName(QStringLiteral("菜单_勾选"));
  tick->setEnabled(!rows.empty());
  connect(tick, &QAction::triggered, this, [this] { TickSelected(true); });
  QAction* untick = menu_->addAction(QString::fromUtf8("取消勾选选中的相册"));
  untick->setObjectName(QStringLiteral("菜单_取消勾选"));
  untick->setEnabled(!rows.empty());
  connect(untick, &QAction::triggered, this, [this] { TickSelected(false); });
  // Opened, not run: the window thread goes on while the menu is up.
  menu_->popup(view_->viewport()->mapToGlobal(position));
}

}  // namespace albumdl::app
