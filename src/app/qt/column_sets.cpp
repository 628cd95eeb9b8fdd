#include "app/qt/column_sets.h"

#include "blocks/qt/column_header.h"
#include "blocks/qt/tab_stop_fields.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <cmath>
#include <span>

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>

namespace hm {

namespace {

struct Column {
  const char* caption;
  int width;  // pixels, for an 8-point system font
};

constexpr Column kStartColumns[] = {{kStartColumnCaption, 75},
                                    {kEndColumnCaption, 75},
                                    {kLengthColumnCaption, 75},
                                    {kDistanceColumnCaption, 75}};
constexpr Column kDifColumns[] = {{kStartColumnCaption, 49},      {kEndColumnCaption, 49},
                                  {kLengthColumnCaption, 45},     {kShortDistanceColumnCaption, 49},
                                  {kDataOffsetColumnCaption, 49}, {kDataFileColumnCaption, 175}};

double columnScale(std::span<const Column> columns, const QHeaderView* header,
                   const QWidget* list) {
  const QFontMetrics captions = header->fontMetrics();
  const QFontMetrics fields = list->fontMetrics();
  const int captionMargins =
      2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin) + fieldGap(captions);
  const int address = fields.horizontalAdvance(QStringLiteral("000000")) + fieldGap(fields);
  double scale = 1.0;
  for (const Column& c : columns) {
    const int caption = captions.horizontalAdvance(qt(c.caption)) + captionMargins;
    scale = std::max(scale, static_cast<double>(std::max(address, caption)) / c.width);
  }
  return scale;
}

void addColumns(QHeaderView* header, const QWidget* list, std::span<const Column> columns) {
  const double scale = columnScale(columns, header, list);
  int index = 0;
  for (const Column& c : columns) {
    AddColumn(header, index++, static_cast<int>(std::lround(c.width * scale)), 2, 0, qt(c.caption));
  }
}

}  // namespace

void addStartColumns(QHeaderView* header, const QWidget* list) {
  addColumns(header, list, kStartColumns);
}

void replaceWithDifColumns(QHeaderView* header, const QWidget* list) {
  for (int i = 5; i >= 0; --i) DeleteColumn(header, i);
  addColumns(header, list, kDifColumns);
}

}  // namespace hm
