#pragma once

#include "blocks/block_list.h"

#include <QAbstractListModel>

namespace hm {

// Shows a BlockList in a view without copying its lines.
class BlockListModel : public QAbstractListModel, private BlockListObserver {
  Q_OBJECT
 public:
  explicit BlockListModel(BlockList& list, QObject* parent = nullptr);
  ~BlockListModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  BlockList& list() { return list_; }

  // True from the list's announcement of a change until the views have caught up with it:
  // whatever a view does to its selection meanwhile follows the list and must not be copied
  // back into it.
  bool followingList() const { return following_ > 0; }

 private:
  void aboutToInsert(int first, int last) override;
  void inserted() override;
  void aboutToRemove(int first, int last) override;
  void removed() override;
  void changed(int row) override;
  void aboutToReset() override;
  void reset() override;

  BlockList& list_;
  int following_ = 0;
};

}  // namespace hm
