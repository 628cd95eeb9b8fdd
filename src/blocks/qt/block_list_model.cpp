#include "blocks/qt/block_list_model.h"

namespace hm {

BlockListModel::BlockListModel(BlockList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {
  list_.setObserver(this);
}

BlockListModel::~BlockListModel() {
  list_.setObserver(nullptr);
}

int BlockListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.count();
}

QVariant BlockListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  std::string_view line = list_.text(index.row());
  return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

void BlockListModel::aboutToInsert(int first, int last) {
  ++following_;
  beginInsertRows(QModelIndex(), first, last);
}

void BlockListModel::inserted() {
  endInsertRows();
  --following_;
}

void BlockListModel::aboutToRemove(int first, int last) {
  ++following_;
  beginRemoveRows(QModelIndex(), first, last);
}

void BlockListModel::removed() {
  endRemoveRows();
  --following_;
}

void BlockListModel::changed(int row) {
  const QModelIndex at = index(row);
  emit dataChanged(at, at, {Qt::DisplayRole});
}

void BlockListModel::aboutToReset() {
  ++following_;
  beginResetModel();
}

void BlockListModel::reset() {
  endResetModel();
  --following_;
}

}  // namespace hm
