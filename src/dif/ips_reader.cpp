#include "dif/ips_reader.h"

#include "blocks/hex_format.h"
#include "dif/dif_format.h"
#include "dif/ips_format.h"
#include "platform/user_texts.h"

#include <cstring>
#include <string>

namespace hm {

namespace {

std::uint32_t bigEndianAt(const std::uint8_t* p, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value = value << 8 | p[i];
  return value;
}

// Reads `size` bytes big-endian at the position, or fails leaving it where it was.
bool readBigEndian(std::span<const std::uint8_t> ips, std::size_t& at, std::size_t size,
                   std::uint32_t& value) {
  if (ips.size() - at < size) return false;
  value = bigEndianAt(ips.data() + at, size);
  at += size;
  return true;
}

bool endsHere(std::span<const std::uint8_t> ips, std::size_t at) {
  return ips.size() - at >= kIpsEnd.size() &&
         std::memcmp(ips.data() + at, kIpsEnd.data(), kIpsEnd.size()) == 0;
}

IpsFault readRecord(std::span<const std::uint8_t> ips, std::size_t& at, IpsRecord& record) {
  std::uint32_t address = 0;
  std::uint32_t length = 0;
  if (!readBigEndian(ips, at, kIpsAddressSize, address) || !readBigEndian(ips, at, 2, length)) {
    return IpsFault::Truncated;
  }
  record = {};
  record.address = static_cast<std::int32_t>(address);
  if (length == 0) {
    std::uint32_t count = 0;
    if (!readBigEndian(ips, at, 2, count) || at == ips.size()) return IpsFault::Truncated;
    record.run = true;
    record.length = static_cast<std::int32_t>(count);
    record.value = ips[at++];
  } else {
    if (ips.size() - at < length) return IpsFault::Truncated;
    record.length = static_cast<std::int32_t>(length);
    record.dataOffset = at;
    at += length;
  }
  if (std::int64_t{record.address} + record.length - 1 > kLastImageOffset) {
    return IpsFault::PastLast;
  }
  return IpsFault::None;
}

IpsFault afterEnd(std::size_t left) {
  if (left == 0) return IpsFault::None;
  return left == kIpsCutSize ? IpsFault::Cuts : IpsFault::Trailing;
}

}  // namespace

IpsWalk walkIps(std::span<const std::uint8_t> ips,
                const std::function<void(const IpsRecord&)>& visit) {
  IpsWalk walk;
  if (!isIps(ips)) {
    walk.fault = IpsFault::NoHeader;
    return walk;
  }
  std::size_t at = kIpsHeader.size();
  while (!endsHere(ips, at)) {
    IpsRecord record;
    walk.fault = readRecord(ips, at, record);
    if (walk.fault == IpsFault::PastLast) walk.last = record;
    if (!walk.ok()) return walk;
    if (record.length > 0 && visit) visit(record);
  }
  walk.fault = afterEnd(ips.size() - at - kIpsEnd.size());
  return walk;
}

namespace {

// The error with why after an empty line, as the DIF's writing errors say it.
Error invalid(std::string why = {}) {
  return {ErrorCode::InvalidDif, why.empty() ? kInvalidIpsText : withWhy(kInvalidIpsText, why)};
}

Error refusal(const IpsWalk& walk) {
  switch (walk.fault) {
    case IpsFault::Cuts:
      return invalid(kIpsCutsText);
    case IpsFault::PastLast: {
      std::string why = kIpsPastLastText;
      // The end past FFFFFF is shown whole, never cut to six digits.
      std::string range = HexPad(walk.last.address, 6);
      range += "–";
      range += HexPad(walk.last.address + walk.last.length - 1, 0);
      why.replace(why.find("%1"), 2, range);
      return invalid(why);
    }
    default:
      return invalid();
  }
}

void putInt32(std::uint8_t* p, std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Lays out the DIF's records as the walk hands them over, a record continuing the one before
// where it starts right at its end. The first pass only counts, so the image is allocated once.
class DifLayout {
 public:
  explicit DifLayout(std::uint8_t* image) : image_(image) {}

  void add(std::span<const std::uint8_t> ips, const IpsRecord& record) {
    if (records_ == 0 || record.address != end_) startRecord(record.address);
    if (image_) {
      std::uint8_t* at = image_ + size_;
      if (record.run) {
        std::memset(at, record.value, static_cast<std::size_t>(record.length));
      } else {
        std::memcpy(at, ips.data() + record.dataOffset, static_cast<std::size_t>(record.length));
      }
      putInt32(image_ + head_ + kRecordLengthOffset,
               end_ + record.length - start_ + kRecordLengthExtra);
    }
    size_ += static_cast<std::uint64_t>(record.length);
    end_ = record.address + record.length;
  }

  void finish() {
    if (!image_) return;
    std::memset(image_, 0, kDifHeaderSize);
    std::memcpy(image_, kDifMagic.data(), kDifMagic.size());
    putInt32(image_ + kBlockCountOffset, records_);
  }

  std::uint64_t size() const { return size_; }

 private:
  void startRecord(std::int32_t address) {
    head_ = static_cast<std::size_t>(size_);
    if (image_) {
      std::memcpy(image_ + head_, kRecordMarker.data(), kRecordMarker.size());
      putInt32(image_ + head_ + kRecordAddressOffset, address);
    }
    size_ += kRecordHeadSize;
    start_ = end_ = address;
    ++records_;
  }

  std::uint8_t* image_;
  std::uint64_t size_ = kDifHeaderSize;
  std::size_t head_ = 0;
  std::int32_t start_ = 0;
  std::int32_t end_ = 0;
  std::int32_t records_ = 0;
};

}  // namespace

Result<ByteImage> difOfIps(std::span<const std::uint8_t> ips) {
  DifLayout counted(nullptr);
  // A run makes three bytes of the IPS a whole record: what it grows to is bounded as it grows.
  bool tooLarge = false;
  IpsWalk walk = walkIps(ips, [&](const IpsRecord& record) {
    if (!tooLarge) counted.add(ips, record);
    tooLarge = counted.size() > kMaxDifSize;
  });
  if (!walk.ok()) return refusal(walk);
  if (tooLarge) return Error{ErrorCode::TooLarge, kIpsTooLargeText};
  ByteImage dif = ByteImage::uninitialized(static_cast<std::size_t>(counted.size()));
  DifLayout laid(dif.data());
  walkIps(ips, [&](const IpsRecord& record) { laid.add(ips, record); });
  laid.finish();
  return dif;
}

Status difFromIps(ByteImage& patch) {
  if (!isIps(patch.bytes())) return success();
  Result<ByteImage> dif = difOfIps(patch.bytes());
  if (!dif) return dif.error();
  patch = std::move(dif.value());
  return success();
}

}  // namespace hm
