#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace hm::test {

// Builds DIF bytes by hand, field by field, so tests can also build damaged files.
class DifBuilder {
 public:
  explicit DifBuilder(std::int32_t count, std::string_view magic = "SPFDSGHA <=HEXMARSHAL=> ",
                      std::int32_t reserved = 0) {
    text(magic);
    int32(reserved);
    int32(count);
  }

  // A well-formed record: marker, L = data size + 4, address, data.
  DifBuilder& record(std::int32_t address, const std::vector<std::uint8_t>& data) {
    return rawRecord("FBLKNORD", static_cast<std::int32_t>(data.size()) + 4, address, data);
  }

  DifBuilder& rawRecord(std::string_view marker, std::int32_t length, std::int32_t address,
                        const std::vector<std::uint8_t>& data) {
    text(marker);
    int32(length);
    int32(address);
    return append(data);
  }

  DifBuilder& text(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }

  DifBuilder& int32(std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
      bytes_.push_back(static_cast<std::uint8_t>(v >> shift));
    return *this;
  }

  DifBuilder& append(const std::vector<std::uint8_t>& data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace hm::test
