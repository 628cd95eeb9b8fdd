#pragma once

#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>

class QHeaderView;

namespace hm {

class BlockListView;
class HeaderTable;

// The column header laid over the block list, entered in `table`. Every paint of a header
// created here sets its list's tab stops from the column edges, so the fields stay under their
// captions.
QHeaderView* CreateHeader(HeaderTable& table, BlockListView* list, int x, int y, int width,
                          int height);
// Inserts a column at `index` (past the end: appended) `width` pixels wide. The caption shows
// when `mask` has the text bit (2); `format` 0 aligns it left, 1 right, 2 centred.
void AddColumn(QHeaderView* header, int index, int width, int mask, int format,
               const QString& caption);
void DeleteColumn(QHeaderView* header, int index);
// The header stops driving its list and leaves the table; a header not in it is ignored.
void RemoveHeader(HeaderTable& table, QHeaderView* header);

// The headers created by one owner (a window) and the lists they drive. A header destroyed
// while entered leaves the table by itself; headers that outlive the table stop driving their
// lists when it goes.
class HeaderTable {
 public:
  HeaderTable() = default;
  ~HeaderTable();
  HeaderTable(const HeaderTable&) = delete;
  HeaderTable& operator=(const HeaderTable&) = delete;

  // The new entry's index.
  int RegisterHeader(QHeaderView* header, BlockListView* list);
  // An index outside the table is ignored.
  void UnregisterHeader(int index);
  // The header's index, or -1.
  int FindHeader(const QHeaderView* header) const;
  // FindHeader, also giving back the entry's list (null when not found).
  int LookupHeader(const QHeaderView* header, BlockListView** list) const;
  // -1 when the table is empty.
  int LastHeaderIndex() const;

 private:
  friend QHeaderView* CreateHeader(HeaderTable&, BlockListView*, int, int, int, int);
  friend void RemoveHeader(HeaderTable&, QHeaderView*);

  struct Entry {
    QHeaderView* header;
    QPointer<BlockListView> list;
    QObject* paintFilter;  // null for a header registered without CreateHeader
  };

  int enter(QHeaderView* header, BlockListView* list, QObject* paintFilter);

  std::vector<Entry> entries_;
  // The context of the connections that watch entered headers, so they end with the table.
  QObject watcher_;
};

}  // namespace hm
