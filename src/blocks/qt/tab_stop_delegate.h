#pragma once

#include <span>
#include <vector>

#include <QStringView>
#include <QStyledItemDelegate>

class QFontMetrics;

namespace hm {

// The least space kept between the end of one field and the start of the next: a field that
// would come closer moves on to the next stop, as a tab does past its stop.
int fieldGap(const QFontMetrics& metrics);

// Where each tab-separated field of `line` starts, in pixels from the left edge of the text,
// with the tabs expanded to `stops` (list units; see nextTabStop).
std::vector<int> fieldOffsets(QStringView line, std::span<const int> stops,
                              const QFontMetrics& metrics);

// Draws a list line with every field starting at its tab stop. The stops belong to the view
// and are read at each paint, so a new set shows with the next repaint.
class TabStopDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  TabStopDelegate(const std::vector<int>& stops, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  const std::vector<int>& stops_;
};

}  // namespace hm
