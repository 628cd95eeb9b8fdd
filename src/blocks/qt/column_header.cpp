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

// Reaches the header's own viewport handling, which Qt keeps protected.
struct HeaderAccess : QHeaderView {
  static bool viewportEventOf(QHeaderView* header, QEvent* event) {
    return (header->*&HeaderAccess::viewportEvent)(event);
  }
};

void setStopsFromColumns(const HeaderTable& table, QHeaderView* header) {
  BlockListView* list = nullptr;
  if (table.LookupHeader(header, &list) < 0 || !list) return;
  std::vector<int> rightEdges;
  rightEdges.reserve(static_cast<std::size_t>(header->count()));
  for (int i = 0; i < header->count(); ++i) {
    rightEdges.push_back(header->sectionViewportPosition(i) + header->sectionSize(i));
  }
  // setTabStops repaints the list when the stops move.
  list->setTabStops(tabStopsFor(rightEdges));
}

// The header paints first; the stops then follow whatever it has just drawn.
bool HeaderWndProc(const HeaderTable& table, QHeaderView* header, QEvent* event) {
  const bool result = HeaderAccess::viewportEventOf(header, event);
  setStopsFromColumns(table, header);
  return result;
}

class HeaderPaintFilter : public QObject {
 public:
  HeaderPaintFilter(const HeaderTable& table, QHeaderView* header)
      : QObject(header), table_(table), header_(header) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || watched != header_->viewport()) return false;
    return HeaderWndProc(table_, header_, event);
  }

 private:
  const HeaderTable& table_;
  QHeaderView* header_;
};

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

QHeaderView* CreateHeader(HeaderTable& table, BlockListView* list, int x, int y, int width,
                          int height) {
  auto* header = new QHeaderView(Qt::Horizontal, list ? list->parentWidget() : nullptr);
  header->setModel(new QStandardItemModel(0, 0, header));
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setStretchLastSection(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
  header->setGeometry(x, y, width, height);
  header->show();

  auto* filter = new HeaderPaintFilter(table, header);
  header->viewport()->installEventFilter(filter);
  // Dragging a divider moves the fields under it at once, not only at the next paint.
  const auto follow = [&table, header] { setStopsFromColumns(table, header); };
  QObject::connect(header, &QHeaderView::sectionResized, filter, follow);
  QObject::connect(header, &QHeaderView::sectionCountChanged, filter, follow);
  table.enter(header, list, filter);
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

void RemoveHeader(HeaderTable& table, QHeaderView* header) {
  const int index = table.FindHeader(header);
  if (index < 0) return;
  QObject* filter = table.entries_[static_cast<std::size_t>(index)].paintFilter;
  table.UnregisterHeader(index);
  if (filter) {
    header->viewport()->removeEventFilter(filter);
    delete filter;
  }
}

HeaderTable::~HeaderTable() {
  // A window's headers go with its widgets, after the window's own members: their filters and
  // connections must not reach a table that is gone.
  for (const Entry& entry : entries_) delete entry.paintFilter;
}

int HeaderTable::enter(QHeaderView* header, BlockListView* list, QObject* paintFilter) {
  entries_.push_back({header, list, paintFilter});
  if (header) {
    // A destroyed header must not stay in the table, where a new header at the same address
    // would find it.
    QObject::connect(header, &QObject::destroyed, &watcher_, [this, header] {
      const int index = FindHeader(header);
      if (index >= 0) UnregisterHeader(index);
    });
  }
  return LastHeaderIndex();
}

int HeaderTable::RegisterHeader(QHeaderView* header, BlockListView* list) {
  return enter(header, list, nullptr);
}

void HeaderTable::UnregisterHeader(int index) {
  // An index outside the table would otherwise cost the last header its entry.
  if (index < 0 || index > LastHeaderIndex()) return;
  entries_.erase(entries_.begin() + index);
}

int HeaderTable::FindHeader(const QHeaderView* header) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].header == header) return static_cast<int>(i);
  }
  return -1;
}

int HeaderTable::LookupHeader(const QHeaderView* header, BlockListView** list) const {
  const int index = FindHeader(header);
  if (list) *list = index >= 0 ? entries_[static_cast<std::size_t>(index)].list.data() : nullptr;
  return index;
}

int HeaderTable::LastHeaderIndex() const {
  return static_cast<int>(entries_.size()) - 1;
}

}  // namespace hm
