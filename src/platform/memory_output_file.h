#pragma once

#include "platform/output_file.h"

#include <cstdint>
#include <vector>

namespace hm {

// An output kept in memory, for a file that is written only to be turned into another one.
// What was written counts once it is committed.
class MemoryOutputFile : public OutputFile {
 public:
  explicit MemoryOutputFile(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

  bool write(const void* data, std::size_t size) override {
    const auto* p = static_cast<const std::uint8_t*>(data);
    written_.insert(written_.end(), p, p + size);
    return true;
  }
  bool publish(bool) override {
    bytes_ = std::move(written_);
    return true;
  }
  bool withdraw() override { return true; }

 private:
  std::vector<std::uint8_t>& bytes_;
  std::vector<std::uint8_t> written_;
};

}  // namespace hm
