#pragma once

#include "dif/dif_format.h"
#include "platform/byte_image.h"
#include "platform/file_stream.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace hm {

// A DIF read front to back through a buffer of its own, checked as walkDif checks it while it
// comes in. A pass that needs each record once keeps a buffer of the file instead of all of it:
// on some machines the first touch of every fresh page costs more than reading the bytes.
class DifStreamReader {
 public:
  explicit DifStreamReader(FileStream& stream, std::size_t bufferBytes = 64 * 1024);

  // Reads the header; false for anything walkDif refuses there (an IPS among it).
  bool start();
  std::int32_t count() const { return count_; }
  // The next record and its bytes, whole, valid until the next call: the buffer grows for a
  // record longer than it. False after the last record, and for anything walkDif refuses in
  // the record (then failed()).
  bool next(DifRecord& record, std::span<const std::uint8_t>& bytes);
  bool failed() const { return failed_; }

 private:
  // Makes the next `count` bytes lie side by side in the buffer; false where the file ends
  // first or a read fails.
  bool have(std::size_t count);
  const std::uint8_t* take(std::size_t count);
  bool fail();

  FileStream& stream_;
  ByteImage buffer_;
  std::size_t at_ = 0;       // the next byte not taken
  std::size_t end_ = 0;      // the end of the bytes read into the buffer
  std::uint64_t taken_ = 0;  // bytes of the file taken before at_
  std::int32_t count_ = 0;
  std::int32_t left_ = 0;
  bool failed_ = false;
};

}  // namespace hm
