#include "dif/dif_stream_writer.h"

#include "dif/dif_format.h"

#include <algorithm>
#include <cstring>

namespace hm {

DifStreamWriter::DifStreamWriter(OutputFile& out, std::size_t capacity)
    : out_(out),
      // The header and a record's head each go in whole, so they can be filled in there.
      capacity_(std::max(capacity, kDifHeaderSize)),
      buffer_(new std::uint8_t[capacity_]) {
  std::uint8_t header[kDifHeaderSize];
  storeDifHeader(header, 0);
  put(header, sizeof header);
}

void DifStreamWriter::open(std::int32_t address) {
  std::uint8_t head[kRecordHeadSize];
  storeRecordHead(head, address, 0);
  if (capacity_ - used_ < sizeof head) flush();
  headAt_ = flushed_ + used_;
  put(head, sizeof head);
  recordBytes_ = 0;
}

void DifStreamWriter::append(std::span<const std::uint8_t> bytes) {
  recordBytes_ += static_cast<std::int64_t>(bytes.size());
  put(bytes.data(), bytes.size());
}

void DifStreamWriter::close() {
  patch(headAt_ + kRecordLengthOffset,
        static_cast<std::int32_t>(recordBytes_) + kRecordLengthExtra);
  ++count_;
}

bool DifStreamWriter::finish() {
  patch(kBlockCountOffset, count_);
  flush();
  return !failed_;
}

void DifStreamWriter::put(const void* data, std::size_t size) {
  if (size > capacity_ - used_) flush();
  if (size >= capacity_) {
    // Long blocks go to the file as they are, without a copy.
    if (!failed_ && !out_.write(data, size)) failed_ = true;
    flushed_ += size;
    return;
  }
  std::memcpy(buffer_.get() + used_, data, size);
  used_ += size;
}

void DifStreamWriter::patch(std::uint64_t offset, std::int32_t value) {
  if (offset >= flushed_) {
    storeInt32(buffer_.get() + (offset - flushed_), value);
    return;
  }
  std::uint8_t bytes[4];
  storeInt32(bytes, value);
  if (!failed_ && !out_.writeAt(offset, bytes, sizeof bytes)) failed_ = true;
}

void DifStreamWriter::flush() {
  if (used_ > 0 && !failed_ && !out_.write(buffer_.get(), used_)) failed_ = true;
  flushed_ += used_;
  used_ = 0;
}

}  // namespace hm
