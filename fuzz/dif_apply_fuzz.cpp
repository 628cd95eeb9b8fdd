// Any bytes as a patch file: the check, the record walk and the reading as the file comes agree
// with a plain reading of the format, and applying an accepted file, to an image, from files or
// from streams, gives exactly the image the format promises.

#include "dif/dif_applier.h"
#include "dif/dif_format.h"
#include "dif/dif_stream_reader.h"
#include "dif/streamed_patch.h"
#include "dif_model.h"
#include "fuzz_check.h"
#include "support/memory_file_system.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using hm::fuzz::ModelDif;
using hm::fuzz::ModelRecord;

// Files in memory, but an output is held against the expected image as it is written instead
// of being kept: a record near the last address makes every output 16 MiB, and storing that
// fresh memory took more time than the rest of the run together.
class ComparingFileSystem : public hm::test::MemoryFileSystem {
 public:
  explicit ComparingFileSystem(std::span<const std::uint8_t> expected) : expected_(expected) {}

  std::unique_ptr<hm::OutputFile> create(const std::string& path) override {
    return std::make_unique<Output>(*this, path);
  }

  // The last output committed, and whether it held exactly the expected bytes.
  std::string committedPath;
  bool committedExpected = false;

 private:
  class Output : public hm::OutputFile {
   public:
    Output(ComparingFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
    bool write(const void* data, std::size_t size) override {
      std::span<const std::uint8_t> expected = fs_.expected_;
      if (size == 0 || !same_) return true;
      same_ = size <= expected.size() - written_ &&
              std::memcmp(expected.data() + written_, data, size) == 0;
      written_ += size;
      return true;
    }
    bool publish(bool) override {
      fs_.committedPath = path_;
      fs_.committedExpected = same_ && written_ == fs_.expected_.size();
      return true;
    }

   private:
    ComparingFileSystem& fs_;
    std::string path_;
    std::size_t written_ = 0;
    bool same_ = true;
  };

  std::span<const std::uint8_t> expected_;
};

hm::ImageStream streamOf(std::span<const std::uint8_t> bytes) {
  hm::ByteImage image = hm::ByteImage::uninitialized(bytes.size());
  if (!bytes.empty()) std::memcpy(image.data(), bytes.data(), bytes.size());
  return hm::ImageStream(std::move(image));
}

void checkWalk(std::span<const std::uint8_t> dif, const ModelDif& model) {
  std::vector<hm::DifRecord> seen;
  hm::DifWalk walk = hm::walkDif(dif, [&](const hm::DifRecord& r) { seen.push_back(r); });
  HM_FUZZ_CHECK(walk.ok() == model.ok);
  HM_FUZZ_CHECK(static_cast<std::size_t>(walk.recordsRead) == seen.size());
  HM_FUZZ_CHECK(seen.size() == model.records.size());
  for (std::size_t i = 0; i < seen.size(); ++i) {
    HM_FUZZ_CHECK(seen[i].dataOffset + static_cast<std::size_t>(seen[i].length) <= dif.size());
    HM_FUZZ_CHECK(seen[i].address == model.records[i].address);
    HM_FUZZ_CHECK(seen[i].length == model.records[i].length);
    HM_FUZZ_CHECK(seen[i].dataOffset == model.records[i].dataOffset);
  }
  if (walk.ok()) HM_FUZZ_CHECK(walk.count == model.count);

  // Read as it comes, through a buffer the input sizes: the same records, whole, and the same
  // verdict.
  hm::ImageStream stream = streamOf(dif);
  hm::DifStreamReader reader(stream, 1 + dif.size() % 53);
  std::size_t taken = 0;
  if (reader.start()) {
    hm::DifRecord r{};
    std::span<const std::uint8_t> bytes;
    for (; reader.next(r, bytes); ++taken) {
      HM_FUZZ_CHECK(taken < seen.size() && r.address == seen[taken].address);
      HM_FUZZ_CHECK(r.length == seen[taken].length && r.dataOffset == seen[taken].dataOffset);
      HM_FUZZ_CHECK(std::equal(bytes.begin(), bytes.end(), dif.begin() + r.dataOffset));
    }
    HM_FUZZ_CHECK(reader.failed() != model.ok);
  } else {
    HM_FUZZ_CHECK(!model.ok);
  }
  HM_FUZZ_CHECK(taken == seen.size() || !model.ok);

  hm::Status checked = hm::checkDif(dif);
  HM_FUZZ_CHECK(checked.ok() == model.ok);
  if (!checked) {
    HM_FUZZ_CHECK(checked.error().code == hm::ErrorCode::InvalidDif);
    HM_FUZZ_CHECK(checked.error().message == hm::kInvalidDifApplyText);
  }
}

// Every byte outside the records keeps the BIN's byte, or is zero where the image grew.
void checkUntouched(const hm::ByteImage& image, const std::vector<std::uint8_t>& bin,
                    std::int64_t from, std::int64_t to) {
  static const std::vector<std::uint8_t> zeros(1 << 16, 0);
  auto binEnd = static_cast<std::int64_t>(bin.size());
  for (std::int64_t p = from; p < std::min(to, binEnd); ++p) {
    HM_FUZZ_CHECK(image[static_cast<std::size_t>(p)] == bin[static_cast<std::size_t>(p)]);
  }
  for (std::int64_t p = std::max(from, binEnd); p < to;) {
    auto n = static_cast<std::size_t>(std::min<std::int64_t>(to - p, std::ssize(zeros)));
    HM_FUZZ_CHECK(std::memcmp(image.data() + p, zeros.data(), n) == 0);
    p += static_cast<std::int64_t>(n);
  }
}

void checkApplied(std::span<const std::uint8_t> dif, const ModelDif& model,
                  const std::vector<std::uint8_t>& bin) {
  auto end = static_cast<std::int64_t>(bin.size());
  std::unordered_map<std::int64_t, std::uint8_t> last;
  std::vector<std::pair<std::int64_t, std::int64_t>> covered;
  for (const ModelRecord& r : model.records) {
    end = std::max(end, r.address + r.length);
    for (std::int64_t j = 0; j < r.length; ++j) {
      last[r.address + j] = dif[r.dataOffset + static_cast<std::size_t>(j)];
    }
    covered.emplace_back(r.address, r.address + r.length);
  }

  // An image past 1 MiB is patched in a buffer kept from run to run: under ASan every large
  // allocation is fresh memory, and faulting in up to 16 MiB per run took longer than all the
  // checks. Its old bytes also make a growth that forgot to zero show, where fresh pages are zero
  // anyway. A smaller image is allocated per run, so ASan watches its exact end.
  static hm::ByteImage kept;
  hm::ByteImage fresh;
  hm::ByteImage& image = end > std::int64_t{1} << 20 ? kept : fresh;
  image.resize(0);
  image.resize(bin.size());
  if (!bin.empty()) std::memcpy(image.data(), bin.data(), bin.size());
  hm::applyDif(dif, image);
  HM_FUZZ_CHECK(static_cast<std::int64_t>(image.size()) == end);
  for (auto [address, byte] : last) {
    HM_FUZZ_CHECK(image[static_cast<std::size_t>(address)] == byte);
  }

  std::sort(covered.begin(), covered.end());
  std::int64_t p = 0;
  for (auto [begin, stop] : covered) {
    if (begin > p) checkUntouched(image, bin, p, begin);
    p = std::max(p, stop);
  }
  checkUntouched(image, bin, p, end);

  // The file form gives the same image, whether it copies the BIN front to back or patches it
  // in memory.
  ComparingFileSystem fs(image.bytes());
  fs.files["p.dif"].assign(dif.begin(), dif.end());
  fs.files["in.bin"] = bin;
  HM_FUZZ_CHECK(hm::applyDifFile(fs, "p.dif", "in.bin", "out.bin").ok());
  HM_FUZZ_CHECK(fs.committedPath == "out.bin" && fs.committedExpected);

  // And read as they come, where the records ascend; left to the whole read where they do not.
  bool ascend = true;
  for (std::size_t i = 1; i < model.records.size(); ++i) {
    const ModelRecord& before = model.records[i - 1];
    ascend = ascend && model.records[i].address >= before.address + before.length;
  }
  hm::ImageStream difStream = streamOf(dif);
  hm::ImageStream binStream = streamOf(bin);
  fs.committedPath.clear();
  // Tiny buffers put records across every edge; an output of megabytes takes larger ones, or a
  // run would take seconds.
  const std::size_t buffer = (end > 4096 ? 4096 : 1) + bin.size() % 17;
  hm::Result<hm::CheckedPatch> streamed =
      hm::writeStreamedDifPatch(fs, "streamed.bin", difStream, nullptr, binStream, buffer);
  HM_FUZZ_CHECK(streamed.ok() == ascend);
  if (!streamed) {
    HM_FUZZ_CHECK(streamed.error().code == hm::ErrorCode::InvalidDif);
    return;
  }
  HM_FUZZ_CHECK(streamed.value().written && streamed.value().out->commit());
  HM_FUZZ_CHECK(fs.committedPath == "streamed.bin" && fs.committedExpected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> dif(data, size);
  ModelDif model = hm::fuzz::readModel(dif);
  checkWalk(dif, model);
  if (!model.ok) return 0;

  // A short BIN of a length the input picks, so blocks land inside it, across its end and past it.
  std::vector<std::uint8_t> bin(size % 61);
  for (std::size_t i = 0; i < bin.size(); ++i) bin[i] = static_cast<std::uint8_t>(i * 31 + size);
  checkApplied(dif, model, bin);
  return 0;
}
