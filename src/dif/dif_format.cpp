#include "dif/dif_format.h"

#include <cstring>

namespace hm {

void storeDifHeader(std::uint8_t* header, std::int32_t count) {
  std::memset(header, 0, kDifHeaderSize);
  std::memcpy(header, kDifMagic.data(), kDifMagic.size());
  storeInt32(header + kBlockCountOffset, count);
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

bool DifWalker::end(DifFault fault) {
  walk_.fault = fault;
  stage_ = Stage::Ended;
  return false;
}

// False while the header has not come whole, and when it is refused.
bool DifWalker::readHeader(std::span<const std::uint8_t> bytes, bool whole) {
  DifCursor cursor(bytes);
  std::string_view signature;
  if (!cursor.readText(kDifSignature.size(), signature)) {
    return whole ? end(DifFault::BadSignature) : false;
  }
  if (signature != kDifSignature) return end(DifFault::BadSignature);
  cursor.seek(kBlockCountOffset);
  if (!cursor.readInt32(walk_.count)) return whole ? end(DifFault::Truncated) : false;
  if (walk_.count < 0) return end(DifFault::BadCount);
  position_ = cursor.position();
  stage_ = Stage::Records;
  return true;
}

bool DifWalker::next(std::span<const std::uint8_t> bytes, bool whole, DifRecord& record) {
  if (stage_ == Stage::Header && !readHeader(bytes, whole)) return false;
  if (stage_ != Stage::Records) return false;
  if (walk_.recordsRead == walk_.count) return end(DifFault::None);
  DifCursor cursor(bytes, position_);
  const DifFault fault = checkRecord(cursor, record);
  // Every other fault shows in the bytes that have come; a cut only at the file's end.
  if (fault == DifFault::Truncated && !whole) return false;
  if (fault != DifFault::None) return end(fault);
  position_ = cursor.position();
  ++walk_.recordsRead;
  return true;
}

DifWalk walkDif(std::span<const std::uint8_t> dif,
                const std::function<void(const DifRecord&)>& visit) {
  DifWalker walker;
  DifRecord record{};
  while (walker.next(dif, true, record)) {
    if (visit) visit(record);
  }
  return walker.walk();
}

}  // namespace hm
