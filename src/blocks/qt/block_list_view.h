#pragma once

#include "blocks/block_list.h"

#include <vector>

#include <QListView>

class QItemSelection;

namespace hm {

class BlockListModel;

// The block list box: several lines selectable, a caret line, each tab-separated field drawn
// from its tab stop. Selection and caret are mirrored into the BlockList, where the commands
// read them; when the list itself changes, the view follows the list's caret, and after a
// reset nothing is selected.
class BlockListView : public QListView {
  Q_OBJECT
 public:
  explicit BlockListView(BlockList& list, QWidget* parent = nullptr);

  BlockList& list() { return list_; }
  BlockListModel* blockModel() const { return model_; }

  // Stops in list units (1.5 pixels each); empty returns to the default stops.
  void setTabStops(std::vector<int> stops);
  const std::vector<int>& tabStops() const { return stops_; }

  // Selects exactly these rows and puts the caret on `caret`; -1 leaves the caret where it is.
  // Rows outside the list are ignored (tests and commands).
  void selectRows(const std::vector<int>& rows, int caret = -1);

 protected:
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles) override;

 private:
  void copySelection(const QItemSelection& selected, const QItemSelection& deselected);
  void copyCaret(const QModelIndex& current);
  void syncSelection();
  void showListCaret();

  BlockList& list_;
  BlockListModel* model_;
  std::vector<int> stops_;
};

}  // namespace hm
