#include "dif/ips_reader.h"

#include "dif/dif_applier.h"
#include "dif/dif_format.h"
#include "dif/dif_reader.h"
#include "platform/user_texts.h"
#include "support/byte_images.h"
#include "support/ips_builder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::Bytes;
using test::IpsBuilder;

struct Read {
  std::vector<DifBlock> blocks;
  Bytes applied;  // to a BIN of 16 bytes 0x11
};

Read readIps(const Bytes& ips) {
  Result<ByteImage> dif = difOfIps(ips);
  EXPECT_TRUE(dif.ok()) << (dif.ok() ? "" : dif.error().message);
  if (!dif) return {};
  EXPECT_TRUE(checkDif(dif.value().bytes()).ok());
  Read read;
  read.blocks = readDifBlocks(dif.value().bytes()).value();
  ByteImage bin = test::imageOf(Bytes(16, 0x11));
  applyDif(dif.value().bytes(), bin);
  read.applied = test::bytesOf(bin);
  return read;
}

struct Accepted {
  const char* what;
  Bytes ips;
  std::vector<DifBlock> blocks;
};

TEST(IpsReaderTest, ReadsRecordsInOrderAndAppliesAsThePlainWay) {
  const Accepted cases[] = {
      {"nothing", IpsBuilder().end().bytes(), {}},
      {"at 000000", IpsBuilder().record(0, {1, 2}).end().bytes(), {{0, 1}}},
      {"a run written out", IpsBuilder().run(4, 3, 0xAB).end().bytes(), {{4, 6}}},
      {"a run of nothing writes nothing",
       IpsBuilder().run(4, 0, 0xAB).record(1, {9}).end().bytes(),
       {{1, 1}}},
      {"ending at FFFFFF",
       IpsBuilder().record(0xFFFFFE, {1, 2}).end().bytes(),
       {{0xFFFFFE, 0xFFFFFF}}},
      {"a run ending at FFFFFF",
       IpsBuilder().run(0xFF0000, 0xFFFF, 7).run(0xFFFFFF, 1, 8).end().bytes(),
       {{0xFF0000, 0xFFFFFF}}},
      {"records that continue each other are one block",
       IpsBuilder().record(2, {1}).run(3, 2, 5).record(5, {6}).end().bytes(),
       {{2, 5}}},
      {"overlapping records stay apart, the later one winning",
       IpsBuilder().record(2, {1, 2, 3}).record(3, {9}).end().bytes(),
       {{2, 4}, {3, 3}}},
      {"out of order", IpsBuilder().record(9, {1}).record(1, {2}).end().bytes(), {{9, 9}, {1, 1}}},
      {"just before the end marker's address",
       IpsBuilder().record(0x454F45, {1, 2, 3}).end().bytes(),
       {{0x454F45, 0x454F47}}},
  };
  for (const Accepted& c : cases) {
    SCOPED_TRACE(c.what);
    Read read = readIps(c.ips);
    ASSERT_EQ(read.blocks.size(), c.blocks.size());
    for (std::size_t i = 0; i < c.blocks.size(); ++i) {
      EXPECT_EQ(read.blocks[i].start, c.blocks[i].start);
      EXPECT_EQ(read.blocks[i].end, c.blocks[i].end);
    }
    if (c.blocks.empty() || c.blocks.front().end < 0x100) {
      EXPECT_EQ(read.applied, test::appliedIps(c.ips, Bytes(16, 0x11)));
    }
  }
}

struct Refused {
  const char* what;
  Bytes ips;
  std::string message;
};

TEST(IpsReaderTest, RefusesWhatCannotBeAppliedAsADif) {
  const std::string invalid = kInvalidIpsText;
  const Refused cases[] = {
      {"no end", IpsBuilder().record(0, {1}).bytes(), invalid},
      {"the header alone", IpsBuilder().bytes(), invalid},
      {"end cut short", IpsBuilder().end().cut(1).bytes(), invalid},
      {"address cut short", IpsBuilder().number(1, 2).bytes(), invalid},
      {"length cut short", IpsBuilder().number(1, 3).number(0, 1).bytes(), invalid},
      {"data cut short", IpsBuilder().record(0, {1, 2, 3}).end().cut(5).bytes(), invalid},
      {"run cut short", IpsBuilder().run(0, 3, 1).cut(1).bytes(), invalid},
      {"one byte after the end", IpsBuilder().end().number(1, 1).bytes(), invalid},
      {"four bytes after the end", IpsBuilder().end().number(1, 4).bytes(), invalid},
      {"a cut to a new size", IpsBuilder().record(0, {1}).end().number(0x10, 3).bytes(),
       withWhy(invalid, kIpsCutsText)},
      {"past FFFFFF", IpsBuilder().record(0xFFFFFF, {1, 2}).end().bytes(),
       withWhy(invalid, "Блок FFFFFF–01000000 выходит за адрес FFFFFF.")},
      {"a run past FFFFFF", IpsBuilder().run(0xFFFF00, 0x101, 0).end().bytes(),
       withWhy(invalid, "Блок FFFF00–01000000 выходит за адрес FFFFFF.")},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.what);
    Result<ByteImage> dif = difOfIps(c.ips);
    ASSERT_FALSE(dif.ok());
    EXPECT_EQ(dif.error().code, ErrorCode::InvalidDif);
    EXPECT_EQ(dif.error().message, c.message);
    // Where a patch file is read, nothing is changed by a refusal.
    ByteImage patch = test::imageOf(c.ips);
    EXPECT_FALSE(difFromIps(patch).ok());
    EXPECT_EQ(test::bytesOf(patch), c.ips);
  }
}

// Runs make a few bytes a record of 65,535: a small file can stand for more than any DIF holds.
TEST(IpsReaderTest, RefusesAnExpansionLargerThanAnyDif) {
  IpsBuilder ips;
  const auto runs = static_cast<int>(kMaxDifSize / (kRecordHeadSize + 0xFFFF)) + 1;
  for (int i = 0; i < runs; ++i) ips.run(0, 0xFFFF, 1);
  Result<ByteImage> dif = difOfIps(ips.end().bytes());
  ASSERT_FALSE(dif.ok());
  EXPECT_EQ(dif.error().code, ErrorCode::TooLarge);
  EXPECT_EQ(dif.error().message, kIpsTooLargeText);
}

}  // namespace
}  // namespace hm
