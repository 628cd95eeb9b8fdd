#include "blocks/qt/tab_stop_fields.h"

#include "blocks/tab_stops.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>

namespace hm {

int fieldGap(const QFontMetrics& metrics) {
  return metrics.horizontalAdvance(u' ');
}

std::vector<int> fieldOffsets(QStringView line, std::span<const int> stops,
                              const QFontMetrics& metrics) {
  std::vector<int> offsets;
  const int gap = fieldGap(metrics);
  int x = 0;
  qsizetype start = 0;
  for (;;) {
    offsets.push_back(x);
    const qsizetype tab = line.indexOf(u'\t', start);
    if (tab < 0) break;
    const int end = x + metrics.horizontalAdvance(line.mid(start, tab - start).toString());
    x = nextTabStop(end + gap - 1, stops);
    start = tab + 1;
  }
  return offsets;
}

void drawFields(QPainter& painter, const QRect& rect, QStringView line,
                std::span<const int> stops) {
  const std::vector<int> offsets = fieldOffsets(line, stops, painter.fontMetrics());
  painter.save();
  painter.setClipRect(rect);
  qsizetype start = 0;
  for (int offset : offsets) {
    if (offset >= rect.width()) break;
    qsizetype tab = line.indexOf(u'\t', start);
    if (tab < 0) tab = line.size();
    const QRect field(rect.left() + offset, rect.top(), rect.width() - offset, rect.height());
    painter.drawText(field, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     line.mid(start, tab - start).toString());
    start = tab + 1;
  }
  painter.restore();
}

}  // namespace hm
