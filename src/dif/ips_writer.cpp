#include "dif/ips_writer.h"

#include "blocks/hex_format.h"
#include "dif/dif_format.h"
#include "dif/ips_format.h"
#include "platform/ascii_text.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace hm {

namespace {

// A run in the middle of a record costs its own head and a new head for the bytes after it:
// shorter runs are cheaper written out.
constexpr std::size_t kRunWorth = 16;

Error writeFailed() {
  return {ErrorCode::WriteFailed, kIpsWriteErrorText};
}

// Appends the records of one DIF record, `bytes` from `address` on, to the IPS.
class IpsEncoder {
 public:
  explicit IpsEncoder(std::vector<std::uint8_t>& ips) : ips_(ips) {}

  void encode(std::int32_t address, std::span<const std::uint8_t> bytes) {
    address_ = address;
    bytes_ = bytes;
    const std::uint8_t* p = bytes.data();
    const std::size_t n = bytes.size();
    std::size_t literal = 0;
    for (std::size_t i = 0; i < n;) {
      std::size_t j = i + 1;
      while (j < n && p[j] == p[i]) ++j;
      // Neither the run nor what follows it may start at the end marker's address.
      if (j - i >= kRunWorth && !atEnd(i) && (j == n || !atEnd(j))) {
        chunks(literal, i, false);
        chunks(i, j, true);
        literal = j;
      }
      i = j;
    }
    chunks(literal, n, false);
  }

 private:
  bool atEnd(std::size_t i) const {
    return address_ + static_cast<std::int64_t>(i) == kIpsEndAddress;
  }

  // [from, to) in records of at most 65,535 bytes, none starting at the end marker's address.
  void chunks(std::size_t from, std::size_t to, bool run) {
    while (from < to) {
      std::size_t length = std::min<std::size_t>(to - from, kIpsLongestRecord);
      if (from + length < to && atEnd(from + length)) --length;
      writeHead(from, run ? 0 : length);
      if (run) {
        const std::uint8_t count[kIpsRunSize] = {static_cast<std::uint8_t>(length >> 8),
                                                 static_cast<std::uint8_t>(length), bytes_[from]};
        ips_.insert(ips_.end(), count, count + kIpsRunSize);
      } else {
        ips_.insert(ips_.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(from),
                    bytes_.begin() + static_cast<std::ptrdiff_t>(from + length));
      }
      from += length;
    }
  }

  void writeHead(std::size_t from, std::size_t length) {
    const auto address = static_cast<std::uint32_t>(address_ + static_cast<std::int32_t>(from));
    const std::uint8_t head[kIpsRecordHeadSize] = {
        static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
        static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(length >> 8),
        static_cast<std::uint8_t>(length)};
    ips_.insert(ips_.end(), head, head + kIpsRecordHeadSize);
  }

  std::vector<std::uint8_t>& ips_;
  std::int32_t address_ = 0;
  std::span<const std::uint8_t> bytes_;
};

Error noLeadByte(const DifRecord& record) {
  std::string why = kIpsEndAddressText;
  std::string range = HexPad(record.address, 6);
  range += "–";
  range += HexPad(record.address + record.length - 1, 6);
  why.replace(why.find("%1"), 2, range);
  return {ErrorCode::BadBlock, withWhy(kIpsWriteErrorText, why)};
}

// The byte a record moved off the end marker's address begins with, asked once.
Result<std::optional<std::uint8_t>> leadByte(std::span<const std::uint8_t> dif,
                                             const ByteAt& before) {
  std::optional<DifRecord> moved;
  walkDif(dif, [&](const DifRecord& record) {
    if (record.address == kIpsEndAddress && !moved) moved = record;
  });
  if (!moved) return std::optional<std::uint8_t>();
  std::optional<std::uint8_t> lead = before ? before(kIpsEndAddress - 1) : std::nullopt;
  if (!lead) return noLeadByte(*moved);
  return lead;
}

}  // namespace

bool namesIps(const std::string& name) {
  const std::string_view tail =
      std::string_view(name).substr(name.size() - std::min<std::size_t>(name.size(), 4));
  return equalsIgnoreCase(tail, ".ips");
}

Result<std::vector<std::uint8_t>> ipsOf(std::span<const std::uint8_t> dif, const ByteAt& before) {
  Result<std::optional<std::uint8_t>> lead = leadByte(dif, before);
  if (!lead) return lead.error();
  std::vector<std::uint8_t> ips(kIpsHeader.begin(), kIpsHeader.end());
  // The same bytes under shorter heads: about the DIF's size, unless a block is very long.
  ips.reserve(dif.size() + kIpsEnd.size());
  IpsEncoder encoder(ips);
  std::vector<std::uint8_t> moved;
  walkDif(dif, [&](const DifRecord& record) {
    const auto bytes = dif.subspan(record.dataOffset, static_cast<std::size_t>(record.length));
    if (record.address != kIpsEndAddress) return encoder.encode(record.address, bytes);
    // Rare enough to copy: the record's bytes go behind the byte it now starts with.
    moved.assign(1, *lead.value());
    moved.insert(moved.end(), bytes.begin(), bytes.end());
    encoder.encode(kIpsEndAddress - 1, moved);
  });
  ips.insert(ips.end(), kIpsEnd.begin(), kIpsEnd.end());
  return ips;
}

Result<std::unique_ptr<OutputFile>> writtenIps(FileSystem& fs, const std::string& path,
                                               std::span<const std::uint8_t> dif,
                                               const ByteAt& before) {
  Result<std::vector<std::uint8_t>> ips = ipsOf(dif, before);
  if (!ips) return ips.error();
  std::unique_ptr<OutputFile> out = fs.create(path);
  if (!out || !out->write(ips.value().data(), ips.value().size())) return writeFailed();
  return out;
}

Status writeIps(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> dif,
                const ByteAt& before) {
  Result<std::unique_ptr<OutputFile>> written = writtenIps(fs, path, dif, before);
  if (!written) return written.error();
  if (!written.value()->commit()) return writeFailed();
  return success();
}

}  // namespace hm
