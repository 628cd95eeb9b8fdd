#pragma once

#include "platform/output_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace hm {

// A DIF written front to back while its blocks are still being found. The header's block count
// and each record's length are known only once the block or the file is complete, so they are
// written as zeros and filled in then: in the buffer while it still holds them, else in the file
// (OutputFile::writeAt). A block of any length thus costs no more memory than the buffer.
class DifStreamWriter {
 public:
  static constexpr std::size_t kDefaultCapacity = 256 * 1024;

  explicit DifStreamWriter(OutputFile& out, std::size_t capacity = kDefaultCapacity);

  void open(std::int32_t address);
  void append(std::span<const std::uint8_t> bytes);
  void close();
  // Fills in the block count and writes what is left, without committing; false if any write
  // failed.
  bool finish();

  bool failed() const { return failed_; }
  std::int32_t count() const { return count_; }

 private:
  void put(const void* data, std::size_t size);
  void patch(std::uint64_t offset, std::int32_t value);
  void flush();

  OutputFile& out_;
  std::size_t capacity_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t used_ = 0;
  std::uint64_t flushed_ = 0;  // bytes of the file before the buffer's first
  std::uint64_t headAt_ = 0;   // where the open record begins in the file
  std::int64_t recordBytes_ = 0;
  std::int32_t count_ = 0;
  bool failed_ = false;
};

}  // namespace hm
