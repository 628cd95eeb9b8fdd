#include "blocks/qt/block_list_view.h"

#include "blocks/qt/block_list_model.h"
#include "blocks/qt/tab_stop_delegate.h"

#include <algorithm>

#include <QItemSelectionModel>

namespace hm {

namespace {

void markRanges(BlockList& list, const QItemSelection& selection, bool selected) {
  for (const QItemSelectionRange& range : selection) {
    for (int row = range.top(); row <= range.bottom(); ++row) list.setSelected(row, selected);
  }
}

}  // namespace

BlockListView::BlockListView(BlockList& list, QWidget* parent)
    : QListView(parent), list_(list), model_(new BlockListModel(list, this)) {
  setObjectName(QStringLiteral("Lst1"));
  // One row height for all lines keeps layout and scrolling independent of the line count.
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setItemDelegate(new TabStopDelegate(stops_, this));
  setModel(model_);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &BlockListView::copySelection);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &BlockListView::copyCaret);
  connect(model_, &QAbstractItemModel::rowsInserted, this, &BlockListView::showListCaret);
  connect(model_, &QAbstractItemModel::rowsRemoved, this, &BlockListView::showListCaret);
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    syncSelection();
    showListCaret();
  });
  syncSelection();
  showListCaret();
}

void BlockListView::setTabStops(std::vector<int> stops) {
  if (stops == stops_) return;
  stops_ = std::move(stops);
  viewport()->update();
}

void BlockListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles) {
  // Every line has the same size, so a new text needs a repaint, not QListView's layout of
  // every row.
  QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

void BlockListView::selectRows(const std::vector<int>& rows, int caret) {
  std::vector<int> sorted;
  sorted.reserve(rows.size());
  for (int row : rows) {
    if (row >= 0 && row < list_.count()) sorted.push_back(row);
  }
  std::sort(sorted.begin(), sorted.end());
  QItemSelection selection;
  for (std::size_t i = 0; i < sorted.size();) {
    std::size_t end = i;
    while (end + 1 < sorted.size() && sorted[end + 1] <= sorted[end] + 1) ++end;
    selection.select(model_->index(sorted[i]), model_->index(sorted[end]));
    i = end + 1;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (caret >= 0 && caret < list_.count()) {
    selectionModel()->setCurrentIndex(model_->index(caret), QItemSelectionModel::NoUpdate);
  }
}

void BlockListView::copySelection(const QItemSelection& selected,
                                  const QItemSelection& deselected) {
  if (model_->followingList()) return;
  markRanges(list_, deselected, false);
  markRanges(list_, selected, true);
}

void BlockListView::copyCaret(const QModelIndex& current) {
  if (model_->followingList()) return;
  list_.setCaret(current.isValid() ? current.row() : -1);
}

void BlockListView::syncSelection() {
  list_.clearSelection();
  markRanges(list_, selectionModel()->selection(), true);
}

void BlockListView::showListCaret() {
  const int caret = list_.caret();
  if (caret == currentIndex().row()) return;
  if (caret < 0) {
    selectionModel()->clearCurrentIndex();
  } else {
    selectionModel()->setCurrentIndex(model_->index(caret), QItemSelectionModel::NoUpdate);
  }
}

}  // namespace hm
