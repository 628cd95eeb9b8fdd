#pragma once

#include "platform/output_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace hm {

// Collects small pieces into large writes; the first failed write sticks. The buffer grows with
// what it holds, up to `capacity`, so a file of a few hundred bytes does not take a megabyte; the
// output sees the same writes as from a buffer allocated whole.
class BufferedWriter {
 public:
  explicit BufferedWriter(OutputFile& out, std::size_t capacity = 1 << 20);
  void write(const void* data, std::size_t size);
  void writeInt32(std::int32_t value);
  // Room for `size` bytes (less than the capacity) at the end of what is held, for a caller
  // that builds small pieces in place; nothing after a failed write.
  std::uint8_t* room(std::size_t size) {
    // In the header: a DIF of millions of short records asks for room once for each.
    if (used_ + size > allocated_ || failed_) return roomAfterFlush(size);
    std::uint8_t* at = buffer_.get() + used_;
    used_ += size;
    return at;
  }
  // Flushes and commits; false if any write or the commit failed.
  bool finish();
  // Flushes without committing; false if any write failed.
  bool flush();
  bool failed() const { return failed_; }

 private:
  std::uint8_t* roomAfterFlush(std::size_t size);
  void grow(std::size_t needed);

  OutputFile& out_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t allocated_ = 0;
  std::size_t capacity_;
  std::size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace hm
