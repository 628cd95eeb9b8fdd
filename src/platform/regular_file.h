#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace hm {

// A regular file opened for reading: its descriptor and its length when opened; fd -1 when the
// path names no regular file that can be opened. Never waits: a FIFO put where a file was
// expected is refused at once instead of hanging the open until a writer comes.
struct RegularFile {
  int fd = -1;
  std::uint64_t size = 0;
};
RegularFile openRegularFile(const std::string& path);

// `count` bytes into `into`, from the descriptor's position or from `offset`, going on after
// short reads and interruptions; fewer only where the file ends, nothing when a read fails.
std::optional<std::size_t> readFully(int fd, std::uint8_t* into, std::size_t count);
std::optional<std::size_t> readFullyAt(int fd, std::uint8_t* into, std::size_t count,
                                       std::uint64_t offset);

}  // namespace hm
