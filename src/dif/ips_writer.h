#pragma once

#include "platform/file_system.h"
#include "platform/result.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hm {

// The byte that applying leaves at an address, where the caller knows it.
using ByteAt = std::function<std::optional<std::uint8_t>(std::int32_t address)>;

// Whether a name given for a patch asks for an IPS: it ends in ".ips", in any letter case.
bool namesIps(const std::string& name);

// The IPS that applies as `dif` (a DIF walkDif accepts) does: its records in the same order, each
// split at 65,535 bytes, long runs of one byte written as runs. A record cannot start at 454F46,
// whose address bytes read "EOF": one that would starts a byte earlier, with the byte
// `before(454F45)` gives, and without one the IPS is refused (BadBlock, "Ошибка записи IPS
// файла", an empty line and the block).
Result<std::vector<std::uint8_t>> ipsOf(std::span<const std::uint8_t> dif, const ByteAt& before);

// The same written to `path` in full but not committed; a write failure is WriteFailed with the
// same first line.
Result<std::unique_ptr<OutputFile>> writtenIps(FileSystem& fs, const std::string& path,
                                               std::span<const std::uint8_t> dif,
                                               const ByteAt& before);

// The same, committed: the file that was there before stays as it was on any failure.
Status writeIps(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> dif,
                const ByteAt& before);

}  // namespace hm
