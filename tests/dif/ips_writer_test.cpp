#include "dif/ips_writer.h"

#include "dif/dif_applier.h"
#include "dif/dif_reader.h"
#include "dif/ips_format.h"
#include "dif/ips_reader.h"
#include "platform/user_texts.h"
#include "support/byte_images.h"
#include "support/dif_builder.h"
#include "support/ips_builder.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::Bytes;

struct Record {
  std::int32_t address;
  Bytes bytes;
};

Bytes difOf(const std::vector<Record>& records) {
  test::DifBuilder dif(static_cast<std::int32_t>(records.size()));
  for (const Record& r : records) dif.record(r.address, r.bytes);
  return dif.bytes();
}

Bytes applied(std::span<const std::uint8_t> dif, const Bytes& bin) {
  ByteImage image = test::imageOf(bin);
  applyDif(dif, image);
  return test::bytesOf(image);
}

// The IPS's records, each one's address, as the file lists them.
std::vector<std::int32_t> recordAddresses(const Bytes& ips) {
  std::vector<std::int32_t> addresses;
  walkIps(ips, [&](const IpsRecord& r) { addresses.push_back(r.address); });
  return addresses;
}

Bytes filled(std::size_t size, std::uint8_t value) {
  return Bytes(size, value);
}

Bytes counting(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

struct Case {
  const char* what;
  std::vector<Record> records;
};

// DIF -> IPS -> DIF: the same blocks in the same order, and the same bytes wherever applied. The
// files every program that applies IPS reads give the same bytes too.
TEST(IpsWriterTest, RoundTripKeepsBlocksAndBytes) {
  Bytes runAtEnd = counting(10);
  runAtEnd.resize(40, 0x55);
  const Case cases[] = {
      {"nothing", {}},
      {"at 000000 and at the last address", {{0, {1, 2, 3}}, {0xFFFFFF, {4}}}},
      {"longer than one record", {{0x10, counting(0xFFFF * 2 + 3)}}},
      {"exactly one record long", {{0x10, counting(0xFFFF)}}},
      {"a long run inside",
       {{0x100,
         [] {
           Bytes b = counting(50);
           Bytes run = filled(0x20000, 0);
           b.insert(b.end(), run.begin(), run.end());
           return b;
         }()}}},
      {"a run at the end of a block", {{0x40, runAtEnd}}},
      {"short runs stay bytes", {{0x40, filled(5, 9)}}},
      {"out of order and overlapping", {{0x30, {1, 2, 3}}, {0x10, {4}}, {0x31, {5}}}},
      {"a split would land on 454F46", {{0x454F46 - 0xFFFF, counting(0x20000)}}},
      {"a run would start at 454F46",
       {{0x454F40,
         [] {
           Bytes b = counting(6);
           Bytes run = filled(40, 3);
           b.insert(b.end(), run.begin(), run.end());
           return b;
         }()}}},
      {"a run would end at 454F46",
       {{0x454F06, filled(0x40, 3)}, {0x454F46, {1}}, {0x454F45, {2}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes dif = difOf(c.records);
    ASSERT_TRUE(checkDif(dif).ok());
    const Bytes bin = filled(0x100, 0x11);
    const Bytes expected = applied(dif, bin);
    // The byte a block moved off 454F46 takes is the one applying leaves there.
    Result<std::vector<std::uint8_t>> ips =
        ipsOf(dif, [&](std::int32_t address) { return expected.at(std::size_t(address)); });
    ASSERT_TRUE(ips.ok()) << ips.error().message;
    for (std::int32_t address : recordAddresses(ips.value())) EXPECT_NE(address, kIpsEndAddress);
    Result<ByteImage> back = difOfIps(ips.value());
    ASSERT_TRUE(back.ok()) << back.error().message;
    const bool moved = std::any_of(c.records.begin(), c.records.end(),
                                   [](const Record& r) { return r.address == kIpsEndAddress; });
    if (!moved) {
      EXPECT_EQ(readDifBlocks(back.value().bytes()).value().size(),
                readDifBlocks(dif).value().size());
    }
    EXPECT_EQ(applied(back.value().bytes(), bin), expected);
    EXPECT_EQ(test::appliedIps(ips.value(), bin), expected);
  }
}

TEST(IpsWriterTest, ABlockAt454F46StartsOneByteEarlierOrIsRefused) {
  const Bytes dif = difOf({{0x454F46, {1, 2}}});
  Result<std::vector<std::uint8_t>> ips = ipsOf(dif, [](std::int32_t address) {
    return address == 0x454F45 ? std::optional<std::uint8_t>(0x77) : std::nullopt;
  });
  ASSERT_TRUE(ips.ok());
  EXPECT_EQ(ips.value(), test::IpsBuilder().record(0x454F45, {0x77, 1, 2}).end().bytes());

  Result<std::vector<std::uint8_t>> refused = ipsOf(dif, [](std::int32_t) { return std::nullopt; });
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().code, ErrorCode::BadBlock);
  EXPECT_EQ(
      refused.error().message,
      withWhy(kIpsWriteErrorText,
              "Блок 454F46–454F47 начинается по адресу 454F46, который IPS читает как свой "
              "конец, а байта 454F45, с которого его надо начать, нет ни в конечном файле, ни в "
              "других блоках."));
}

TEST(IpsWriterTest, ALongRunIsARunRecord) {
  const Bytes dif = difOf({{0x20, filled(3 * 0xFFFF, 0xFF)}});
  Result<std::vector<std::uint8_t>> ips = ipsOf(dif, {});
  ASSERT_TRUE(ips.ok());
  EXPECT_EQ(ips.value(), test::IpsBuilder()
                             .run(0x20, 0xFFFF, 0xFF)
                             .run(0x20 + 0xFFFF, 0xFFFF, 0xFF)
                             .run(0x20 + 0x1FFFE, 0xFFFF, 0xFF)
                             .end()
                             .bytes());
}

}  // namespace
}  // namespace hm
