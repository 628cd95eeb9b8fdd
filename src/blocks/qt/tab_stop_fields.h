#pragma once

#include <span>
#include <vector>

#include <QStringView>

class QFontMetrics;
class QPainter;
class QRect;

namespace hm {

// The least space kept between the end of one field and the start of the next: a field that
// would come closer moves on to the next stop, as a tab does past its stop.
int fieldGap(const QFontMetrics& metrics);

// Where each tab-separated field of `line` starts, in pixels from the left edge of the text,
// with the tabs expanded to `stops` (list units; see nextTabStop).
std::vector<int> fieldOffsets(QStringView line, std::span<const int> stops,
                              const QFontMetrics& metrics);

// Draws `line` into `rect` with every field starting at its tab stop, in the painter's font and
// pen; what goes past the rect's right edge is cut off.
void drawFields(QPainter& painter, const QRect& rect, QStringView line, std::span<const int> stops);

}  // namespace hm
