#include "dif/dif_stream_reader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace hm {

namespace {

bool holds(const std::uint8_t* p, std::string_view text) {
  return std::memcmp(p, text.data(), text.size()) == 0;
}

}  // namespace

DifStreamReader::DifStreamReader(FileStream& stream, std::size_t bufferBytes)
    : stream_(stream), buffer_(ByteImage::uninitialized(std::max(bufferBytes, kDifHeaderSize))) {}

bool DifStreamReader::start() {
  const std::uint8_t* header = take(kDifHeaderSize);
  if (!header || !holds(header, kDifSignature)) return fail();
  count_ = left_ = loadInt32(header + kBlockCountOffset);
  return count_ >= 0 || fail();
}

bool DifStreamReader::next(DifRecord& record, std::span<const std::uint8_t>& bytes) {
  if (failed_ || left_ <= 0) return false;
  const std::uint8_t* head = take(kRecordHeadSize);
  if (!head || !holds(head, kRecordMarker)) return fail();
  const std::int32_t length = loadInt32(head + kRecordLengthOffset);
  const std::int32_t address = loadInt32(head + kRecordAddressOffset);
  if (length <= kRecordLengthExtra) return fail();
  const std::int64_t dataLength = std::int64_t{length} - kRecordLengthExtra;
  if (address < 0 || address + dataLength - 1 > kLastImageOffset) return fail();
  record.address = address;
  record.length = static_cast<std::int32_t>(dataLength);
  record.dataOffset = static_cast<std::size_t>(taken_ + at_);
  const std::uint8_t* data = take(static_cast<std::size_t>(dataLength));
  if (!data) return fail();
  bytes = {data, static_cast<std::size_t>(dataLength)};
  --left_;
  return true;
}

bool DifStreamReader::have(std::size_t count) {
  if (end_ - at_ >= count) return true;
  // A length that reaches past the file takes no megabytes to find so.
  if (taken_ + at_ + count > stream_.size()) return false;
  if (count > buffer_.size()) {
    // As a whole image is: a record of megabytes fills it at once.
    ByteImage grown = ByteImage::uninitialized(std::max(count, buffer_.size() * 2));
    std::memcpy(grown.data(), buffer_.data() + at_, end_ - at_);
    buffer_ = std::move(grown);
  } else {
    std::memmove(buffer_.data(), buffer_.data() + at_, end_ - at_);
  }
  taken_ += at_;
  end_ -= at_;
  at_ = 0;
  while (end_ < count) {
    const std::optional<std::size_t> got =
        stream_.read(buffer_.data() + end_, buffer_.size() - end_);
    if (!got || *got == 0) return false;
    end_ += *got;
  }
  return true;
}

const std::uint8_t* DifStreamReader::take(std::size_t count) {
  if (!have(count)) return nullptr;
  const std::uint8_t* at = buffer_.data() + at_;
  at_ += count;
  return at;
}

bool DifStreamReader::fail() {
  failed_ = true;
  return false;
}

}  // namespace hm
