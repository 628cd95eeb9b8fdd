#include "blocks/qt/tab_stop_delegate.h"

#include "blocks/tab_stops.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace hm {

namespace {

QStyle* styleOf(const QStyleOptionViewItem& option) {
  return option.widget ? option.widget->style() : QApplication::style();
}

// The gap the style keeps between an item's edge and its text.
int textMargin(const QStyleOptionViewItem& option) {
  return styleOf(option)->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
}

QPalette::ColorGroup colorGroup(const QStyleOptionViewItem& option) {
  if (!(option.state & QStyle::State_Enabled)) return QPalette::Disabled;
  if (!(option.state & QStyle::State_Active)) return QPalette::Inactive;
  return QPalette::Normal;
}

}  // namespace

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

TabStopDelegate::TabStopDelegate(const std::vector<int>& stops, QObject* parent)
    : QStyledItemDelegate(parent), stops_(stops) {}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  const QString line = opt.text;
  // The style draws the background, the selection and the focus frame; the text is ours.
  opt.text.clear();
  styleOf(opt)->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

  const QRect textRect = opt.rect.adjusted(textMargin(opt), 0, -textMargin(opt), 0);
  const QFontMetrics metrics(opt.font);
  const std::vector<int> offsets = fieldOffsets(line, stops_, metrics);
  const bool selected = opt.state & QStyle::State_Selected;

  painter->save();
  painter->setClipRect(textRect);
  painter->setFont(opt.font);
  painter->setPen(
      opt.palette.color(colorGroup(opt), selected ? QPalette::HighlightedText : QPalette::Text));
  qsizetype start = 0;
  for (int offset : offsets) {
    if (offset >= textRect.width()) break;
    qsizetype tab = line.indexOf(u'\t', start);
    if (tab < 0) tab = line.size();
    const QRect fieldRect(textRect.left() + offset, textRect.top(),
                          textRect.right() - textRect.left() - offset + 1, textRect.height());
    painter->drawText(fieldRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      line.mid(start, tab - start));
    start = tab + 1;
  }
  painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  // Only the height counts: the view widens every line to its own width and cuts off what
  // goes past it, so no line's length can start a horizontal scroll over millions of rows.
  return {0, QStyledItemDelegate::sizeHint(option, index).height()};
}

}  // namespace hm
