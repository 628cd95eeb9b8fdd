#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace hm::test {

// Builds IPS bytes by hand, field by field, so tests can also build damaged files.
class IpsBuilder {
 public:
  IpsBuilder() { text("PATCH"); }

  IpsBuilder& record(std::uint32_t address, const std::vector<std::uint8_t>& data) {
    number(address, 3).number(static_cast<std::uint32_t>(data.size()), 2);
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }
  IpsBuilder& run(std::uint32_t address, std::uint32_t count, std::uint8_t value) {
    number(address, 3).number(0, 2).number(count, 2);
    bytes_.push_back(value);
    return *this;
  }
  IpsBuilder& end() { return text("EOF"); }

  IpsBuilder& text(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  IpsBuilder& number(std::uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i) bytes_.push_back(static_cast<std::uint8_t>(value >> 8 * i));
    return *this;
  }
  IpsBuilder& cut(std::size_t count) {
    bytes_.resize(bytes_.size() - count);
    return *this;
  }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Applies an IPS the plain way, record by record, growing the file with zeros: what any program
// that applies IPS does, for comparing against. Stops at "EOF"; the input must be well formed.
inline std::vector<std::uint8_t> appliedIps(const std::vector<std::uint8_t>& ips,
                                            std::vector<std::uint8_t> bin) {
  auto at = [&](std::size_t i, int size) {
    std::uint32_t v = 0;
    for (int k = 0; k < size; ++k) v = v << 8 | ips[i + static_cast<std::size_t>(k)];
    return v;
  };
  std::size_t i = 5;
  while (!(ips[i] == 'E' && ips[i + 1] == 'O' && ips[i + 2] == 'F')) {
    const std::size_t address = at(i, 3);
    std::size_t length = at(i + 3, 2);
    i += 5;
    const bool run = length == 0;
    if (run) {
      length = at(i, 2);
      i += 2;
    }
    // A run of no bytes writes nothing, so it does not grow the file either.
    if (length > 0 && bin.size() < address + length) bin.resize(address + length);
    for (std::size_t k = 0; k < length; ++k) bin[address + k] = ips[run ? i : i + k];
    i += run ? 1 : length;
  }
  return bin;
}

}  // namespace hm::test
