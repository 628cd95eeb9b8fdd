// Any bytes as an IPS: the DIF read from it is one the program accepts and applies exactly as
// the IPS applies the plain way, and writing that DIF as an IPS again reads back the same.

#include "dif/dif_applier.h"
#include "dif/dif_format.h"
#include "dif/ips_reader.h"
#include "dif/ips_writer.h"
#include "fuzz_check.h"
#include "support/ips_builder.h"

#include <cstdint>
#include <span>
#include <vector>

namespace {

// Applying by the model grows a BIN to the highest address: past this the comparison would cost
// more than the fuzzing.
constexpr std::int64_t kModelledEnd = 1 << 16;

std::vector<std::uint8_t> applied(std::span<const std::uint8_t> dif,
                                  const std::vector<std::uint8_t>& bin) {
  hm::ByteImage image(bin.size());
  std::copy(bin.begin(), bin.end(), image.data());
  hm::applyDif(dif, image);
  return {image.data(), image.data() + image.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> ips(data, data + size);
  std::int64_t end = 0;
  const hm::IpsWalk walk = hm::walkIps(ips, [&](const hm::IpsRecord& r) {
    HM_FUZZ_CHECK(r.length > 0 && r.address >= 0);
    HM_FUZZ_CHECK(std::int64_t{r.address} + r.length - 1 <= hm::kLastImageOffset);
    HM_FUZZ_CHECK(r.run || r.dataOffset + static_cast<std::size_t>(r.length) <= size);
    end = std::max(end, std::int64_t{r.address} + r.length);
  });
  hm::Result<hm::ByteImage> dif = hm::difOfIps(ips);
  if (!walk.ok()) {
    HM_FUZZ_CHECK(!dif.ok() && dif.error().code == hm::ErrorCode::InvalidDif);
    return 0;
  }
  if (!dif) {
    HM_FUZZ_CHECK(dif.error().code == hm::ErrorCode::TooLarge);
    return 0;
  }
  HM_FUZZ_CHECK(hm::walkDif(dif.value().bytes()).ok());
  if (end > kModelledEnd) return 0;

  const std::vector<std::uint8_t> bin(64, 0x5A);
  const std::vector<std::uint8_t> expected = hm::test::appliedIps(ips, bin);
  HM_FUZZ_CHECK(applied(dif.value().bytes(), bin) == expected);

  hm::Result<std::vector<std::uint8_t>> again = hm::ipsOf(dif.value().bytes(), {});
  HM_FUZZ_CHECK(again.ok());
  HM_FUZZ_CHECK(hm::test::appliedIps(again.value(), bin) == expected);
  hm::Result<hm::ByteImage> back = hm::difOfIps(again.value());
  HM_FUZZ_CHECK(back.ok());
  HM_FUZZ_CHECK(applied(back.value().bytes(), bin) == expected);
  return 0;
}
