#include "dif/dif_stream_reader.h"

#include "support/byte_images.h"
#include "support/dif_builder.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::Bytes;
using test::DifBuilder;
using test::imageOf;

// What a reader took from a DIF: each record with its bytes, and whether it took them all.
struct Taken {
  std::vector<std::pair<DifRecord, Bytes>> records;
  bool ok = false;

  bool operator==(const Taken& other) const {
    if (ok != other.ok || records.size() != other.records.size()) return false;
    for (std::size_t i = 0; i < records.size(); ++i) {
      const auto& [a, aBytes] = records[i];
      const auto& [b, bBytes] = other.records[i];
      if (a.address != b.address || a.length != b.length || a.dataOffset != b.dataOffset ||
          aBytes != bBytes) {
        return false;
      }
    }
    return true;
  }
};

Taken walked(const Bytes& dif) {
  Taken taken;
  const DifWalk walk = walkDif(dif, [&](const DifRecord& r) {
    auto data = dif.begin() + static_cast<std::ptrdiff_t>(r.dataOffset);
    taken.records.push_back({r, Bytes(data, data + r.length)});
  });
  taken.ok = walk.ok();
  return taken;
}

Taken streamed(const Bytes& dif, std::size_t buffer) {
  ImageStream stream(imageOf(dif));
  DifStreamReader reader(stream, buffer);
  Taken taken;
  if (!reader.start()) return taken;
  DifRecord record{};
  std::span<const std::uint8_t> bytes;
  while (reader.next(record, bytes))
    taken.records.push_back({record, {bytes.begin(), bytes.end()}});
  taken.ok = !reader.failed();
  return taken;
}

struct ReaderCase {
  const char* name;
  Bytes dif;
};

void PrintTo(const ReaderCase& c, std::ostream* os) {
  *os << c.name;
}

Bytes sized(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
  return bytes;
}

class DifStreamReaderTest : public testing::TestWithParam<ReaderCase> {};

// The reader takes exactly the records walkDif accepts, and refuses what it refuses, whatever
// its buffer: records across buffer edges, longer than the buffer, and every file cut short.
TEST_P(DifStreamReaderTest, TakesWhatTheWalkAccepts) {
  const Bytes& dif = GetParam().dif;
  for (std::size_t cut = 0; cut <= dif.size(); ++cut) {
    const Bytes part(dif.begin(), dif.begin() + static_cast<std::ptrdiff_t>(cut));
    const Taken expected = walked(part);
    for (std::size_t buffer : {1, 7, 40, 4096}) {
      EXPECT_EQ(streamed(part, buffer), expected) << "cut at " << cut << ", buffer " << buffer;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DifStreamReaderTest,
    testing::Values(
        ReaderCase{"NoRecords", DifBuilder(0).bytes()},
        ReaderCase{"SeveralRecords",
                   DifBuilder(3).record(0, {1}).record(10, sized(50)).record(300, {7, 8}).bytes()},
        ReaderCase{"BytesAfterTheLastRecord", DifBuilder(1).record(4, {1, 2}).text("junk").bytes()},
        ReaderCase{"CountBeyondTheRecords", DifBuilder(3).record(4, {1, 2}).bytes()},
        ReaderCase{"NegativeCount", DifBuilder(-1).bytes()},
        ReaderCase{"OtherSignature", DifBuilder(1, "PATCH").record(4, {1}).bytes()},
        ReaderCase{"OtherMarker",
                   DifBuilder(2).record(4, {1}).rawRecord("FBLKNORX", 5, 9, {2}).bytes()},
        ReaderCase{"LengthWithoutData", DifBuilder(1).rawRecord("FBLKNORD", 4, 9, {}).bytes()},
        ReaderCase{"NegativeAddress", DifBuilder(1).record(-1, {1}).bytes()},
        ReaderCase{"LastAddress", DifBuilder(1).record(0xFFFFFF, {1}).bytes()},
        ReaderCase{"PastTheLastAddress", DifBuilder(1).record(0xFFFFFF, {1, 2}).bytes()}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hm
