#include "blocks/block_rows.h"

#include <algorithm>
#include <numeric>

namespace hm {

namespace {

constexpr std::int32_t kLastAddress = 0xFFFFFF;

template <class Vector>
Vector permuted(const Vector& v, const std::vector<std::uint32_t>& order) {
  Vector out;
  out.reserve(v.size());
  for (std::uint32_t k : order) out.push_back(v[k]);
  return out;
}

}  // namespace

bool joins(BlockSpan& group, const BlockSpan& line) {
  if (line.start == group.start) {
    group.end = line.end;
  } else if (std::int64_t{line.start} - 1 > group.end) {
    return false;
  } else if (group.end <= line.end) {
    group.end = line.end;
  }
  return true;
}

std::int64_t blockBytes(BlockSpan span) {
  return wrap32(std::int64_t{span.end} - span.start + 1);
}

bool byAddress(const BlockSpan& a, const BlockSpan& b) {
  return a.start != b.start ? a.start < b.start : a.end < b.end;
}

void Rows::reserve(std::size_t n) {
  spans.reserve(n);
  marks.reserve(n);
}

void Rows::read(const BlockList& list, int first, int last, bool difEdit) {
  const int caret = list.caret();
  for (int i = first; i < last; ++i) {
    spans.push_back(list.span(i));
    marks.push_back(static_cast<std::uint8_t>((list.isSelected(i) ? kRowSelected : 0) |
                                              (i == caret ? kRowCaret : 0)));
    if (!difEdit) continue;
    const DataSource source = list.dataSource(i);
    if (dif.empty()) {
      if (source.offset == 0 && source.path.empty()) continue;
      // Every row before this one takes its bytes from the DIF at offset 0.
      dif.reserve(spans.capacity());
      dif.assign(spans.size() - 1, DifPart{0, 0, 0});
    }
    // Lines of one data file mostly follow each other: their path is kept once.
    if (dif.empty() || std::string_view(paths).substr(dif.back().pathOffset,
                                                      dif.back().pathLength) != source.path) {
      dif.push_back({source.offset, static_cast<std::uint32_t>(paths.size()),
                     static_cast<std::uint32_t>(source.path.size())});
      paths.append(source.path);
    } else {
      dif.push_back({source.offset, dif.back().pathOffset, dif.back().pathLength});
    }
  }
}

void Rows::sortByAddress() {
  if (std::is_sorted(spans.begin(), spans.end(), byAddress)) return;
  std::vector<std::uint32_t> order(spans.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return byAddress(spans[a], spans[b]); });
  spans = permuted(spans, order);
  marks = permuted(marks, order);
  if (!dif.empty()) dif = permuted(dif, order);
}

bool Rows::absorb(BlockSpan span, std::uint8_t more) {
  if (!joins(spans.back(), span)) return false;
  marks.back() |= more;
  return true;
}

// A line that ends a group by lying past a gap opens the next one, so every line is read once.
void Rows::mergeTouching() {
  const std::size_t n = spans.size();
  std::size_t m = 0;
  std::size_t i = 0;
  while (i < n) {
    BlockSpan group = spans[i];
    std::uint8_t groupMarks = marks[i];
    std::size_t j = i + 1;
    for (; j < n && joins(group, spans[j]); ++j) groupMarks |= marks[j];
    spans[m] = group;
    marks[m] = groupMarks;
    ++m;
    i = j;
  }
  spans.resize(m);
  marks.resize(m);
}

bool Rows::withinImage() const {
  return std::all_of(spans.begin(), spans.end(), [](const BlockSpan& s) {
    return s.start >= 0 && s.start <= s.end && s.end <= kLastAddress;
  });
}

RowWriter::RowWriter(const Rows& rows, bool difEdit, std::int32_t targetLength, bool endsList,
                     std::int32_t nextStart)
    : rows_(rows),
      difEdit_(difEdit),
      targetLength_(targetLength),
      endsList_(endsList),
      nextStart_(nextStart) {
  line_.form = difEdit ? LineForm::DifEditing : LineForm::Normal;
}

const BlockLine& RowWriter::line(std::size_t k) {
  const std::size_t m = rows_.size();
  auto [start, end] = rows_.spans[k];
  const bool last = k + 1 == m;
  // A following line at offset 0 reads as no following line at all.
  const std::int32_t nextStart = !last ? rows_.spans[k + 1].start : endsList_ ? 0 : nextStart_;
  line_.distance = nextStart == 0 ? 0 : wrap32(std::int64_t{nextStart} - end - 1);
  // Only a block that begins inside the target is cut back to it: one wholly past its end (or
  // any block before a search) would be turned into a negative length, so it stays as written
  // and the DIF writer refuses it with its message.
  if (!difEdit_ && last && endsList_ && start < targetLength_ &&
      std::int64_t{end} > std::int64_t{targetLength_} - 1) {
    end = targetLength_ - 1;
  }
  line_.start = start;
  line_.end = end;
  line_.length = wrap32(std::int64_t{end} - start + 1);
  if (!difEdit_ || rows_.dif.empty()) return line_;
  const Rows::DifPart& part = rows_.dif[k];
  line_.dataOffset = part.dataOffset;
  line_.dataPath.assign(rows_.paths, part.pathOffset, part.pathLength);
  return line_;
}

int SortedAdder::add(const BlockLine& line) {
  const std::int64_t prefix = sixDigitPrefix(line.start);
  if (prefix > lastPrefix_) {
    lastPrefix_ = prefix;
    return list_.append(line);
  }
  const int index = list_.add(line);
  if (index == list_.count() - 1) {
    lastPrefix_ = prefix;
  } else {
    allAppended_ = false;
  }
  return index;
}

}  // namespace hm
