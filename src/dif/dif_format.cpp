#include "dif/dif_format.h"

#include <cstring>

namespace hm {

std::int32_t loadInt32(const std::uint8_t* p) {
  auto v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  return static_cast<std::int32_t>(v);
}

void storeInt32(std::uint8_t* p, std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

void storeDifHeader(std::uint8_t* header, std::int32_t count) {
  std::memset(header, 0, kDifHeaderSize);
  std::memcpy(header, kDifMagic.data(), kDifMagic.size());
  storeInt32(header + kBlockCountOffset, count);
}

void storeRecordHead(std::uint8_t* head, std::int32_t address, std::int32_t length) {
  std::memcpy(head, kRecordMarker.data(), kRecordMarker.size());
  storeInt32(head + kRecordLengthOffset, length + kRecordLengthExtra);
  storeInt32(head + kRecordAddressOffset, address);
}

bool DifCursor::skip(std::size_t count) {
  if (position_ > image_.size() || image_.size() - position_ < count) return false;
  position_ += count;
  return true;
}

bool DifCursor::readInt32(std::int32_t& value) {
  std::size_t at = position_;
  if (!skip(4)) return false;
  value = loadInt32(image_.data() + at);
  return true;
}

bool DifCursor::readText(std::size_t count, std::string_view& text) {
  std::size_t at = position_;
  if (!skip(count)) return false;
  text = {reinterpret_cast<const char*>(image_.data() + at), count};
  return true;
}

bool DifCursor::readByte(std::uint8_t& value) {
  std::size_t at = position_;
  if (!skip(1)) return false;
  value = image_[at];
  return true;
}

namespace {

DifFault checkRecord(DifCursor& cursor, DifRecord& record) {
  std::string_view marker;
  if (!cursor.readText(kRecordMarker.size(), marker)) return DifFault::Truncated;
  if (marker != kRecordMarker) return DifFault::BadMarker;
  std::int32_t length = 0;
  std::int32_t address = 0;
  if (!cursor.readInt32(length) || !cursor.readInt32(address)) return DifFault::Truncated;
  if (length < 5) return DifFault::BadLength;
  std::int64_t dataLength = std::int64_t{length} - 4;
  if (address < 0 || address + dataLength - 1 > kLastImageOffset) return DifFault::BadAddress;
  record.address = address;
  record.length = static_cast<std::int32_t>(dataLength);
  record.dataOffset = cursor.position();
  if (!cursor.skip(static_cast<std::size_t>(dataLength))) return DifFault::Truncated;
  return DifFault::None;
}

}  // namespace

RecordSteps::RecordSteps(std::span<const std::uint8_t> dif) : cursor_(dif, kBlockCountOffset) {
  cursor_.readInt32(left_);
}

bool RecordSteps::next(DifRecord& record) {
  if (left_ <= 0) return false;
  std::int32_t length = 0;
  cursor_.skip(kRecordMarker.size());
  cursor_.readInt32(length);
  cursor_.readInt32(record.address);
  record.length = length - kRecordLengthExtra;
  record.dataOffset = cursor_.position();
  cursor_.skip(static_cast<std::size_t>(record.length));
  --left_;
  return true;
}

DifWalk walkDif(std::span<const std::uint8_t> dif,
                const std::function<void(const DifRecord&)>& visit) {
  DifWalk walk;
  DifCursor cursor(dif);
  std::string_view signature;
  if (!cursor.readText(kDifSignature.size(), signature) || signature != kDifSignature) {
    walk.fault = DifFault::BadSignature;
    return walk;
  }
  cursor.seek(kBlockCountOffset);
  if (!cursor.readInt32(walk.count)) {
    walk.fault = DifFault::Truncated;
    return walk;
  }
  if (walk.count < 0) {
    walk.fault = DifFault::BadCount;
    return walk;
  }
  for (; walk.recordsRead < walk.count; ++walk.recordsRead) {
    DifRecord record{};
    walk.fault = checkRecord(cursor, record);
    if (!walk.ok()) return walk;
    if (visit) visit(record);
  }
  return walk;
}

}  // namespace hm
