// Any bytes as a DIF opened for editing: the blocks read are exactly the file's records, and the
// typed reader underneath never moves outside the image.

#include "dif/dif_format.h"
#include "dif/dif_reader.h"
#include "dif_model.h"
#include "fuzz_check.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace {

void checkBlocks(std::span<const std::uint8_t> dif) {
  hm::fuzz::ModelDif model = hm::fuzz::readModel(dif);
  std::vector<hm::DifRecord> walked;
  hm::DifWalk walk = hm::walkDif(dif, [&](const hm::DifRecord& r) { walked.push_back(r); });
  hm::Result<std::vector<hm::DifBlock>> read = hm::readDifBlocks(dif);
  HM_FUZZ_CHECK(read.ok() == model.ok);
  HM_FUZZ_CHECK(read.ok() == walk.ok());
  if (!read) {
    HM_FUZZ_CHECK(read.error().code == hm::ErrorCode::InvalidDif);
    HM_FUZZ_CHECK(read.error().message == hm::kInvalidDifEditText);
    return;
  }
  const std::vector<hm::DifBlock>& blocks = read.value();
  HM_FUZZ_CHECK(static_cast<std::int64_t>(blocks.size()) == model.count);
  HM_FUZZ_CHECK(blocks.size() == walked.size());
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const hm::DifBlock& b = blocks[i];
    HM_FUZZ_CHECK(0 <= b.start && b.start <= b.end && b.end <= hm::kLastImageOffset);
    HM_FUZZ_CHECK(b.start == walked[i].address);
    HM_FUZZ_CHECK(std::int64_t{b.end} - b.start + 1 == walked[i].length);
    HM_FUZZ_CHECK(b.start == model.records[i].address);
    HM_FUZZ_CHECK(std::int64_t{b.end} - b.start + 1 == model.records[i].length);
  }
}

// The leading bytes drive a run of typed reads over the whole input: a read either succeeds and
// moves exactly past what it read, or fails and moves nothing.
void checkCursor(std::span<const std::uint8_t> image) {
  hm::DifCursor cursor(image);
  for (std::size_t step = 0; step < 16 && step < image.size(); ++step) {
    std::uint8_t op = image[step];
    std::size_t at = cursor.position();
    std::size_t want = 0;
    bool ok = false;
    switch (op % 4) {
      case 0: {
        std::int32_t value = 0;
        want = 4;
        ok = cursor.readInt32(value);
        if (ok) HM_FUZZ_CHECK(value == hm::fuzz::int32At(image, at));
        break;
      }
      case 1: {
        std::string_view text;
        want = op / 4;
        ok = cursor.readText(want, text);
        const char* expected = reinterpret_cast<const char*>(image.data() + at);
        if (ok) HM_FUZZ_CHECK(text.size() == want && text.data() == expected);
        break;
      }
      case 2: {
        std::uint8_t value = 0;
        want = 1;
        ok = cursor.readByte(value);
        if (ok) HM_FUZZ_CHECK(value == image[at]);
        break;
      }
      default:
        want = std::size_t{op} * 97;
        ok = cursor.skip(want);
        break;
    }
    HM_FUZZ_CHECK(ok == (at + want <= image.size()));
    HM_FUZZ_CHECK(cursor.position() == (ok ? at + want : at));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> dif(data, size);
  checkBlocks(dif);
  checkCursor(dif);
  return 0;
}
