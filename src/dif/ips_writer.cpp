#include "dif/ips_writer.h"

#include "blocks/hex_format.h"
#include "dif/dif_format.h"
#include "dif/ips_format.h"
#include "platform/ascii_text.h"
#include "platform/memory_output_file.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <string_view>

namespace hm {

namespace {

// A run in the middle of a record costs its own head and a new head for the bytes after it:
// shorter runs are cheaper written out.
constexpr std::size_t kRunWorth = 16;

Error writeFailed() {
  return {ErrorCode::WriteFailed, kIpsWriteErrorText};
}

// A DIF record as the IPS carries it: from `address` on, the byte `lead` first when there is
// one, then `bytes`.
struct Piece {
  std::int32_t address;
  std::optional<std::uint8_t> lead;
  std::span<const std::uint8_t> bytes;

  std::size_t size() const { return bytes.size() + (lead ? 1 : 0); }
  std::uint8_t operator[](std::size_t i) const {
    if (!lead) return bytes[i];
    return i == 0 ? *lead : bytes[i - 1];
  }
};

class IpsEncoder {
 public:
  explicit IpsEncoder(BufferedWriter& writer) : writer_(writer) {}

  void encode(const Piece& piece) {
    piece_ = &piece;
    const std::size_t n = piece.size();
    std::size_t literal = 0;
    for (std::size_t i = 0; i < n;) {
      std::size_t j = i + 1;
      while (j < n && piece[j] == piece[i]) ++j;
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
    return piece_->address + static_cast<std::int64_t>(i) == kIpsEndAddress;
  }

  // [from, to) in records of at most 65,535 bytes, none starting at the end marker's address.
  void chunks(std::size_t from, std::size_t to, bool run) {
    while (from < to) {
      std::size_t length = std::min<std::size_t>(to - from, kIpsLongestRecord);
      if (from + length < to && atEnd(from + length)) --length;
      run ? writeRun(from, length) : writeLiteral(from, length);
      from += length;
    }
  }

  void writeHead(std::size_t from, std::size_t length) {
    const auto address = static_cast<std::uint32_t>(piece_->address + static_cast<int>(from));
    const std::uint8_t head[kIpsRecordHeadSize] = {
        static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
        static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(length >> 8),
        static_cast<std::uint8_t>(length)};
    writer_.write(head, sizeof head);
  }

  void writeLiteral(std::size_t from, std::size_t length) {
    writeHead(from, length);
    if (piece_->lead && from == 0) {
      writer_.write(&*piece_->lead, 1);
      writer_.write(piece_->bytes.data(), length - 1);
    } else {
      writer_.write(piece_->bytes.data() + from - (piece_->lead ? 1 : 0), length);
    }
  }

  void writeRun(std::size_t from, std::size_t length) {
    writeHead(from, 0);
    const std::uint8_t run[kIpsRunSize] = {static_cast<std::uint8_t>(length >> 8),
                                           static_cast<std::uint8_t>(length), (*piece_)[from]};
    writer_.write(run, sizeof run);
  }

  BufferedWriter& writer_;
  const Piece* piece_ = nullptr;
};

Error noLeadByte(const DifRecord& record) {
  std::string why = kIpsEndAddressText;
  std::string range = HexPad(record.address, 6);
  range += "–";
  range += HexPad(record.address + record.length - 1, 6);
  why.replace(why.find("%1"), 2, range);
  std::string message = kIpsWriteErrorText;
  message += "\n\n";
  message += why;
  return {ErrorCode::BadBlock, std::move(message)};
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
  std::vector<std::uint8_t> ips;
  MemoryOutputFile out(ips);
  BufferedWriter writer(out);
  writer.write(kIpsHeader.data(), kIpsHeader.size());
  IpsEncoder encoder(writer);
  walkDif(dif, [&](const DifRecord& record) {
    const auto bytes = dif.subspan(record.dataOffset, static_cast<std::size_t>(record.length));
    if (record.address == kIpsEndAddress) {
      encoder.encode({kIpsEndAddress - 1, lead.value(), bytes});
    } else {
      encoder.encode({record.address, std::nullopt, bytes});
    }
  });
  writer.write(kIpsEnd.data(), kIpsEnd.size());
  writer.finish();
  return ips;
}

Result<std::unique_ptr<OutputFile>> writtenIps(FileSystem& fs, const std::string& path,
                                               std::span<const std::uint8_t> dif,
                                               const ByteAt& before) {
  Result<std::vector<std::uint8_t>> ips = ipsOf(dif, before);
  if (!ips) return ips.error();
  std::unique_ptr<OutputFile> out = fs.create(path);
  if (!out) return writeFailed();
  BufferedWriter writer(*out);
  writer.write(ips.value().data(), ips.value().size());
  if (!writer.flush()) return writeFailed();
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
