#pragma once

class QHeaderView;
class QWidget;

namespace hm {

// The header's two column sets: four columns at start-up, six while a DIF is edited. The
// designed widths were drawn for an 8-point system font; a wider font widens every column alike,
// so each caption and a six-digit address with its gap fit their columns.
void addStartColumns(QHeaderView* header, const QWidget* list);
// Deletes whatever columns there are (indexes 5 down to 0) and adds the six of DIF editing.
void replaceWithDifColumns(QHeaderView* header, const QWidget* list);

}  // namespace hm
