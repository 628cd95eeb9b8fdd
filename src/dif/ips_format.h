#pragma once

#include "blocks/block_line.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace hm {

// The patch file other programs exchange: "PATCH", then records, then "EOF". A record is a
// 3-byte address and a 2-byte length, both big-endian, then that many bytes; a length of 0
// makes it a run instead, a 2-byte big-endian count and the one byte repeated. Three bytes
// after "EOF" would cut the patched file to that size, which a DIF cannot do.
inline constexpr std::string_view kIpsHeader = "PATCH";
inline constexpr std::string_view kIpsEnd = "EOF";
inline constexpr std::size_t kIpsAddressSize = 3;
inline constexpr std::size_t kIpsRecordHeadSize = 5;
inline constexpr std::size_t kIpsRunSize = 3;
inline constexpr std::size_t kIpsCutSize = 3;
inline constexpr std::int32_t kIpsLongestRecord = 0xFFFF;
// The address whose three bytes read "EOF": a record cannot start there, the end comes instead.
inline constexpr std::int32_t kIpsEndAddress = 0x454F46;

// Whether the bytes begin as an IPS does, whatever the file's name.
inline bool isIps(std::span<const std::uint8_t> patch) {
  return patch.size() >= kIpsHeader.size() &&
         std::string_view(reinterpret_cast<const char*>(patch.data()), kIpsHeader.size()) ==
             kIpsHeader;
}

}  // namespace hm
