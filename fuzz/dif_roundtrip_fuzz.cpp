// A block list of ascending ranges, written as a DIF, read back and applied: the blocks come
// back in the same order, the patch reproduces the target and the backup restores the source,
// and a DIF opened for editing and written again unchanged keeps its bytes.

#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "blocks/hex_format.h"
#include "dif/dif_applier.h"
#include "dif/dif_reader.h"
#include "dif/dif_writer.h"
#include "fuzz_check.h"
#include "support/memory_file_system.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Range {
  std::int32_t start;
  std::int32_t end;
};

std::string normalLine(const Range& r) {
  hm::BlockLine line;
  line.start = r.start;
  line.end = r.end;
  line.length = r.end - r.start + 1;
  return line.text();
}

std::string editedLine(const Range& r, std::int32_t offset, const std::string& path) {
  hm::BlockLine line;
  line.form = hm::LineForm::DifEditing;
  line.start = r.start;
  line.end = r.end;
  line.length = r.end - r.start + 1;
  line.dataOffset = offset;
  line.dataPath = path;
  return line.text();
}

Bytes patched(const Bytes& dif, const Bytes& bin) {
  HM_FUZZ_CHECK(hm::checkDif(dif).ok());
  hm::ByteImage image(bin.size());
  if (!bin.empty()) std::memcpy(image.data(), bin.data(), bin.size());
  hm::applyDif(dif, image);
  return Bytes(image.data(), image.data() + image.size());
}

// The blocks hold the target's bytes, every other byte the source's, zero where the image grew.
void checkPatch(const Bytes& result, const Bytes& source, const Bytes& target,
                const std::vector<Range>& ranges) {
  std::size_t end = source.size();
  if (!ranges.empty()) end = std::max(end, static_cast<std::size_t>(ranges.back().end) + 1);
  HM_FUZZ_CHECK(result.size() == end);
  std::size_t p = 0;
  for (const Range& r : ranges) {
    for (; p < static_cast<std::size_t>(r.start); ++p) {
      HM_FUZZ_CHECK(result[p] == (p < source.size() ? source[p] : 0));
    }
    for (; p <= static_cast<std::size_t>(r.end); ++p) HM_FUZZ_CHECK(result[p] == target[p]);
  }
  for (; p < end; ++p) HM_FUZZ_CHECK(result[p] == source[p]);
}

// The write error, then the first block the image cannot fill, so that the user does not look for
// a disk fault. writeDif calls its image the target, whichever file it came from.
std::string pastImageRefusal(const std::vector<Range>& ranges, std::size_t imageSize) {
  auto past = std::find_if(ranges.begin(), ranges.end(), [&](const Range& r) {
    return static_cast<std::size_t>(r.end) >= imageSize;
  });
  HM_FUZZ_CHECK(past != ranges.end());
  std::string reason = hm::kBlockPastTargetText;
  reason.replace(reason.find("%1"), 2, hm::HexPad(past->start, 6) + "–" + hm::HexPad(past->end, 6));
  return std::string(hm::kDifWriteErrorText) + "\n\n" + reason;
}

void checkReadBack(const Bytes& dif, const std::vector<Range>& ranges) {
  hm::Result<std::vector<hm::DifBlock>> blocks = hm::readDifBlocks(dif);
  HM_FUZZ_CHECK(blocks.ok());
  HM_FUZZ_CHECK(blocks->size() == ranges.size());
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    HM_FUZZ_CHECK((*blocks)[i].start == ranges[i].start && (*blocks)[i].end == ranges[i].end);
  }
}

// Written again from its own blocks, the DIF is the same file; a block from a data file follows
// them as one more record.
void checkEditedRewrite(hm::test::MemoryFileSystem& fs, const Bytes& dif,
                        const std::vector<Range>& ranges, FuzzedDataProvider& in) {
  hm::BlockList list;
  for (const Range& r : ranges) list.insert(list.count(), editedLine(r, 0, ""));
  Bytes expected = dif;
  if (in.ConsumeBool() && !fs.files["data.bin"].empty()) {
    const Bytes& data = fs.files["data.bin"];
    auto offset = in.ConsumeIntegralInRange<std::size_t>(0, data.size() - 1);
    auto length = in.ConsumeIntegralInRange<std::size_t>(1, data.size() - offset);
    auto start = in.ConsumeIntegralInRange<std::int32_t>(0, 0x1000000 - static_cast<int>(length));
    Range r{start, start + static_cast<std::int32_t>(length) - 1};
    list.insert(list.count(), editedLine(r, static_cast<std::int32_t>(offset), "data.bin"));
    expected[28] = static_cast<std::uint8_t>(expected[28] + 1);  // fewer than 256 blocks
    const std::string head = "FBLKNORD";
    expected.insert(expected.end(), head.begin(), head.end());
    for (std::int32_t v : {static_cast<std::int32_t>(length) + 4, start}) {
      for (int shift = 0; shift < 32; shift += 8) {
        expected.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> shift));
      }
    }
    auto from = data.begin() + static_cast<std::ptrdiff_t>(offset);
    expected.insert(expected.end(), from, from + static_cast<std::ptrdiff_t>(length));
  }
  HM_FUZZ_CHECK(hm::writeEditedDif(fs, "edited.dif", list, dif).ok());
  HM_FUZZ_CHECK(fs.files["edited.dif"] == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  auto sourceSize = in.ConsumeIntegralInRange<std::size_t>(0, 4096);
  auto targetSize = in.ConsumeIntegralInRange<std::size_t>(1, 4096);
  auto seed = in.ConsumeIntegral<std::uint8_t>();
  Bytes source(sourceSize);
  Bytes target(targetSize);
  for (std::size_t i = 0; i < sourceSize; ++i) source[i] = static_cast<std::uint8_t>(i * 7 + seed);
  for (std::size_t i = 0; i < targetSize; ++i) {
    target[i] = static_cast<std::uint8_t>(i * 13 + seed * 3 + 1);
  }

  std::vector<Range> ranges;
  std::size_t next = 0;
  while (ranges.size() < 200 && in.remaining_bytes() > 0) {
    std::size_t start = next + in.ConsumeIntegralInRange<std::size_t>(0, 300);
    std::size_t length = in.ConsumeIntegralInRange<std::size_t>(1, 300);
    if (start >= targetSize) break;
    length = std::min(length, targetSize - start);
    auto first = static_cast<std::int32_t>(start);
    ranges.push_back({first, first + static_cast<std::int32_t>(length) - 1});
    next = start + length;
  }
  hm::BlockList list;
  for (const Range& r : ranges) list.insert(list.count(), normalLine(r));

  hm::test::MemoryFileSystem fs;
  HM_FUZZ_CHECK(hm::writeDif(fs, "out.dif", list, target).ok());
  const Bytes dif = fs.files["out.dif"];
  std::size_t expectedSize = 32;
  for (const Range& r : ranges) expectedSize += 16 + static_cast<std::size_t>(r.end - r.start + 1);
  HM_FUZZ_CHECK(dif.size() == expectedSize);
  checkReadBack(dif, ranges);
  Bytes result = patched(dif, source);
  checkPatch(result, source, target, ranges);

  // The backup carries the source's bytes, so it needs every block inside the source.
  hm::Status backup = hm::writeDif(fs, "out.dif_bak.dif", list, source);
  bool inside = ranges.empty() || static_cast<std::size_t>(ranges.back().end) < sourceSize;
  HM_FUZZ_CHECK(backup.ok() == inside);
  if (inside) {
    HM_FUZZ_CHECK(patched(fs.files["out.dif_bak.dif"], result) == source);
  } else {
    HM_FUZZ_CHECK(backup.error().code == hm::ErrorCode::BadBlock);
    HM_FUZZ_CHECK(backup.error().message == pastImageRefusal(ranges, sourceSize));
    HM_FUZZ_CHECK(fs.files.count("out.dif_bak.dif") == 0);
  }

  fs.files["data.bin"] = target;
  checkEditedRewrite(fs, dif, ranges, in);
  return 0;
}
