#include "platform/buffered_writer.h"

#include <algorithm>
#include <cstring>

namespace hm {

BufferedWriter::BufferedWriter(OutputFile& out, std::size_t capacity)
    : out_(out), capacity_(capacity) {}

void BufferedWriter::write(const void* data, std::size_t size) {
  if (failed_ || size == 0) return;
  if (used_ + size > capacity_) {
    flush();
    if (size >= capacity_) {
      // Large pieces go straight from the caller's image.
      if (!out_.write(data, size)) failed_ = true;
      return;
    }
  }
  if (used_ + size > allocated_) grow(used_ + size);
  std::memcpy(buffer_.get() + used_, data, size);
  used_ += size;
}

std::uint8_t* BufferedWriter::roomAfterFlush(std::size_t size) {
  if (used_ + size > capacity_) flush();
  if (failed_) return nullptr;
  if (used_ + size > allocated_) grow(used_ + size);
  std::uint8_t* at = buffer_.get() + used_;
  used_ += size;
  return at;
}

void BufferedWriter::grow(std::size_t needed) {
  constexpr std::size_t kFirst = 64 * 1024;
  std::size_t size = std::min(capacity_, std::max({needed, allocated_ * 2, kFirst}));
  std::unique_ptr<std::uint8_t[]> grown(new std::uint8_t[size]);
  if (used_) std::memcpy(grown.get(), buffer_.get(), used_);
  buffer_ = std::move(grown);
  allocated_ = size;
}

void BufferedWriter::writeInt32(std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                           static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  write(bytes, 4);
}

bool BufferedWriter::flush() {
  if (used_ && !failed_ && !out_.write(buffer_.get(), used_)) failed_ = true;
  used_ = 0;
  return !failed_;
}

bool BufferedWriter::finish() {
  return flush() && out_.commit();
}

}  // namespace hm
