#pragma once

#include <QString>

class QHeaderView;

namespace hm {

class BlockListView;

// The column header laid over the block list. Every paint of a header created here sets its
// list's tab stops from the column edges, so the fields stay under their captions.
QHeaderView* CreateHeader(BlockListView* list, int x, int y, int width, int height);
// Inserts a column at `index` (past the end: appended) `width` pixels wide. The caption shows
// when `mask` has the text bit (2); `format` 0 aligns it left, 1 right, 2 centred.
void AddColumn(QHeaderView* header, int index, int width, int mask, int format,
               const QString& caption);
void DeleteColumn(QHeaderView* header, int index);
void RemoveHeader(QHeaderView* header);

// The table of headers and the lists they drive.
int RegisterHeader(QHeaderView* header, BlockListView* list);
void UnregisterHeader(int index);
int FindHeader(const QHeaderView* header);
int LookupHeader(const QHeaderView* header, BlockListView** list);
int LastHeaderIndex();

}  // namespace hm
