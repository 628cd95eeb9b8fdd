#include "blocks/qt/column_header.h"

#include "blocks/qt/block_list_view.h"
#include "blocks/tab_stops.h"

#include <algorithm>
#include <vector>

#include <QEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QPointer>
#include <QStandardItemModel>

namespace hm {

namespace {

constexpr int kItemText = 0x2;  // mask bit: the caption is given
constexpr int kFormatJustifyMask = 0x3;
constexpr int kFormatRight = 1;
constexpr int kFormatCenter = 2;

struct HeaderEntry {
  QHeaderView* header;
  QPointer<BlockListView> list;
  QObject* paintFilter;  // null for a header registered without CreateHeader
};

std::vector<HeaderEntry>& headerTable() {
  static std::vector<HeaderEntry> table;
  return table;
}

// Reaches the header's own viewport handling, which Qt keeps protected.
struct HeaderAccess : QHeaderView {
  static bool viewportEventOf(QHeaderView* header, QEvent* event) {
    return (header->*&HeaderAccess::viewportEvent)(event);
  }
};

void setStopsFromColumns(QHeaderView* header) {
  BlockListView* list = nullptr;
  if (LookupHeader(header, &list) < 0 || !list) return;
  std::vector<int> rightEdges;
  rightEdges.reserve(static_cast<std::size_t>(header->count()));
  for (int i = 0; i < header->count(); ++i) {
    rightEdges.push_back(header->sectionViewportPosition(i) + header->sectionSize(i));
  }
  // setTabStops repaints the list when the stops move.
  list->setTabStops(tabStopsFor(rightEdges));
}

// The header paints first; the stops then follow whatever it has just drawn.
bool HeaderWndProc(QHeaderView* header, QEvent* event) {
  const bool result = HeaderAccess::viewportEventOf(header, event);
  setStopsFromColumns(header);
  return result;
}

class HeaderPaintFilter : public QObject {
 public:
  explicit HeaderPaintFilter(QHeaderView* header) : QObject(header), header_(header) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || watched != header_->viewport()) return false;
    return HeaderWndProc(header_, event);
  }

 private:
  QHeaderView* header_;
};

int registerEntry(QHeaderView* header, BlockListView* list, QObject* paintFilter) {
  std::vector<HeaderEntry>& table = headerTable();
  table.push_back({header, list, paintFilter});
  if (header) {
    // A destroyed header must not stay in the table, where a new header at the same address
    // would find it.
    QObject::connect(header, &QObject::destroyed, [header] {
      const int index = FindHeader(header);
      if (index >= 0) UnregisterHeader(index);
    });
  }
  return static_cast<int>(table.size()) - 1;
}

QStandardItemModel* columnsOf(QHeaderView* header) {
  return header ? qobject_cast<QStandardItemModel*>(header->model()) : nullptr;
}

Qt::Alignment captionAlignment(int format) {
  switch (format & kFormatJustifyMask) {
    case kFormatRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case kFormatCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

}  // namespace

// `style` carries platform window-style bits that Qt's header has no use for.
QHeaderView* CreateHeader(BlockListView* list, int x, int y, int width, int height) {
  auto* header = new QHeaderView(Qt::Horizontal, list ? list->parentWidget() : nullptr);
  header->setModel(new QStandardItemModel(0, 0, header));
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setStretchLastSection(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
  header->setGeometry(x, y, width, height);
  header->show();

  auto* filter = new HeaderPaintFilter(header);
  header->viewport()->installEventFilter(filter);
  // Dragging a divider moves the fields under it at once, not only at the next paint.
  QObject::connect(header, &QHeaderView::sectionResized, filter,
                   [header] { setStopsFromColumns(header); });
  QObject::connect(header, &QHeaderView::sectionCountChanged, filter,
                   [header] { setStopsFromColumns(header); });
  registerEntry(header, list, filter);
  return header;
}

void AddColumn(QHeaderView* header, int index, int width, int mask, int format,
               const QString& caption) {
  QStandardItemModel* columns = columnsOf(header);
  if (!columns) return;
  index = std::clamp(index, 0, columns->columnCount());
  columns->insertColumn(index);
  if (mask & kItemText) columns->setHeaderData(index, Qt::Horizontal, caption);
  columns->setHeaderData(index, Qt::Horizontal, QVariant::fromValue(captionAlignment(format)),
                         Qt::TextAlignmentRole);
  header->resizeSection(index, width);
}

void DeleteColumn(QHeaderView* header, int index) {
  QStandardItemModel* columns = columnsOf(header);
  if (!columns || index < 0 || index >= columns->columnCount()) return;
  columns->removeColumn(index);
}

void RemoveHeader(QHeaderView* header) {
  const int index = FindHeader(header);
  if (index < 0) return;
  QObject* filter = headerTable()[static_cast<std::size_t>(index)].paintFilter;
  UnregisterHeader(index);
  if (filter) {
    header->viewport()->removeEventFilter(filter);
    delete filter;
  }
}

int RegisterHeader(QHeaderView* header, BlockListView* list) {
  return registerEntry(header, list, nullptr);
}

void UnregisterHeader(int index) {
  std::vector<HeaderEntry>& table = headerTable();
  // An index outside the table would otherwise cost the last header its entry.
  if (index < 0 || index >= static_cast<int>(table.size())) return;
  table.erase(table.begin() + index);
}

int FindHeader(const QHeaderView* header) {
  const std::vector<HeaderEntry>& table = headerTable();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].header == header) return static_cast<int>(i);
  }
  return -1;
}

int LookupHeader(const QHeaderView* header, BlockListView** list) {
  const int index = FindHeader(header);
  if (list)
    *list = index >= 0 ? headerTable()[static_cast<std::size_t>(index)].list.data() : nullptr;
  return index;
}

int LastHeaderIndex() {
  return static_cast<int>(headerTable().size()) - 1;
}

}  // namespace hm
