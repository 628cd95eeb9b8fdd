#pragma once

#include "platform/byte_image.h"
#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace hm {

// One record of an IPS as applying it writes: `length` bytes from `address` on, either copied
// from the file at `dataOffset` or, for a run, `value` repeated.
struct IpsRecord {
  std::int32_t address = 0;
  std::int32_t length = 0;
  std::size_t dataOffset = 0;
  bool run = false;
  std::uint8_t value = 0;
};

enum class IpsFault {
  None,
  NoHeader,   // the file does not begin with "PATCH"
  Truncated,  // a record, or the end marker, reaches past the end of the file
  PastLast,   // a record ending past FFFFFF
  Cuts,       // three bytes after "EOF": the patched file would be cut to their size
  Trailing,   // anything else after "EOF"
};

struct IpsWalk {
  IpsFault fault = IpsFault::None;
  IpsRecord last;  // the record refused with PastLast
  bool ok() const { return fault == IpsFault::None; }
};

// Walks the records in file order, never reading outside the file. `visit` sees each record
// that writes something; a run of zero bytes writes nothing, so it is passed over.
IpsWalk walkIps(std::span<const std::uint8_t> ips,
                const std::function<void(const IpsRecord&)>& visit = {});

// The DIF that applies exactly as the IPS does: one record per IPS record in file order, runs
// written out, except that a record starting right where the one before it ended continues it,
// so a block the IPS had to split at 65,535 bytes reads back as one. Errors: InvalidDif "Неверный
// IPS файл!" (with why, for a record past FFFFFF or a cut), TooLarge when the DIF would be larger
// than any the program opens.
Result<ByteImage> difOfIps(std::span<const std::uint8_t> ips);

// Where a patch file has been read: an IPS (told by its header) is replaced by its DIF, anything
// else stays as it is for the DIF's own checks. The errors of difOfIps.
Status difFromIps(ByteImage& patch);

}  // namespace hm
