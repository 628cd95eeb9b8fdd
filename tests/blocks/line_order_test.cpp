#include "blocks/line_order.h"

#include <random>

#include <gtest/gtest.h>

namespace hm {
namespace {

int sign(int v) {
  return (v > 0) - (v < 0);
}

// Values around every width a number's field can take, and the signs and ends of each.
std::int32_t someValue(std::mt19937& random) {
  static constexpr std::int32_t kEdges[] = {
      0,        1,         0xF,        0x10, 0xFF,   0x100,     0xFFF, 0xFFFF, 0x10000,   0xFFFFF,
      0xFFFFFF, 0x1000000, 0x7FFFFFFF, -1,   -0x100, INT32_MIN, 0xA0,  0x0A00, 0xA000000, 0x0A};
  switch (random() % 3) {
    case 0:
      return kEdges[random() % std::size(kEdges)];
    case 1:
      return static_cast<std::int32_t>(random() % 0x300);
    default:
      return static_cast<std::int32_t>(random());
  }
}

BlockLine someLine(std::mt19937& random) {
  static const char* const kPaths[] = {"", "a", "b.bin", "/x/data", "/x/data2", "a\tb", "Б"};
  BlockLine line;
  line.form = static_cast<LineForm>(random() % 3);
  // Few distinct addresses, so that the later fields decide often.
  line.start = random() % 4 == 0 ? someValue(random) : static_cast<std::int32_t>(random() % 3);
  line.end = random() % 4 == 0 ? someValue(random) : static_cast<std::int32_t>(random() % 3);
  line.length = someValue(random);
  line.distance = someValue(random);
  line.dataOffset = someValue(random);
  line.dataPath = kPaths[random() % std::size(kPaths)];
  return line;
}

TEST(LineOrderTest, KeptFieldsAreExactlyThoseTheirTextReadsBackAs) {
  std::mt19937 random(7);
  int kept = 0;
  for (int n = 0; n < 20000; ++n) {
    const BlockLine line = someLine(random);
    const bool same = BlockLine::parse(line.text()) == line;
    ASSERT_EQ(keepsItsText(fieldsOf(line)), same) << line.text();
    kept += same;
  }
  EXPECT_GT(kept, 1000);
}

TEST(LineOrderTest, FieldsSortAsTheirTexts) {
  std::mt19937 random(11);
  for (int n = 0; n < 200000; ++n) {
    BlockLine a = someLine(random);
    BlockLine b = random() % 4 == 0 ? a : someLine(random);
    if (random() % 2) b.form = a.form;
    a = BlockLine::parse(a.text());
    b = BlockLine::parse(b.text());
    if (!keepsItsText(fieldsOf(a)) || !keepsItsText(fieldsOf(b))) continue;
    ASSERT_EQ(compareAsText(fieldsOf(a), fieldsOf(b)), sign(a.text().compare(b.text())))
        << a.text() << " | " << b.text();
  }
}

}  // namespace
}  // namespace hm
