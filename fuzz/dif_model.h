#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

// A plain reading of the patch file, written apart from the core's readers so the fuzzers can hold
// them against it: header "SPFDSGHA" at 0 and the block count at 28; then per record
// "FBLKNORD", L, address, L - 4 data bytes. A record must hold at least one byte and end at
// FFFFFF, the largest address, at the latest; nothing may reach past the end of the file.
namespace hm::fuzz {

struct ModelRecord {
  std::int64_t address;
  std::int64_t length;  // data bytes
  std::size_t dataOffset;
};

struct ModelDif {
  bool ok = false;
  std::int64_t count = 0;
  std::vector<ModelRecord> records;  // those accepted before any fault
};

inline std::int64_t int32At(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | bytes[at + static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(v);
}

inline ModelDif readModel(std::span<const std::uint8_t> dif) {
  ModelDif model;
  if (dif.size() < 32 || std::memcmp(dif.data(), "SPFDSGHA", 8) != 0) return model;
  model.count = int32At(dif, 28);
  if (model.count < 0) return model;
  const auto size = static_cast<std::int64_t>(dif.size());
  std::int64_t p = 32;
  for (std::int64_t i = 0; i < model.count; ++i) {
    if (p + 16 > size) return model;
    if (std::memcmp(dif.data() + p, "FBLKNORD", 8) != 0) return model;
    std::int64_t length = int32At(dif, static_cast<std::size_t>(p + 8)) - 4;
    std::int64_t address = int32At(dif, static_cast<std::size_t>(p + 12));
    if (length < 1 || address < 0 || address + length - 1 > 0xFFFFFF) return model;
    if (p + 16 + length > size) return model;
    model.records.push_back({address, length, static_cast<std::size_t>(p + 16)});
    p += 16 + length;
  }
  model.ok = true;
  return model;
}

}  // namespace hm::fuzz
