#include "platform/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hm {

namespace {

// One read call: at the position, or at `offset` when there is one.
ssize_t readOnce(int fd, std::uint8_t* into, std::size_t count, std::optional<std::uint64_t> at) {
  if (!at) return ::read(fd, into, count);
  return ::pread(fd, into, count, static_cast<off_t>(*at));
}

std::optional<std::size_t> readOn(int fd, std::uint8_t* into, std::size_t count,
                                  std::optional<std::uint64_t> offset) {
  std::size_t got = 0;
  while (got < count) {
    const std::optional<std::uint64_t> at =
        offset ? std::optional<std::uint64_t>(*offset + got) : std::nullopt;
    const ssize_t n = readOnce(fd, into + got, count - got, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

}  // namespace

RegularFile openRegularFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return {};
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return {};
  }
  return {fd, static_cast<std::uint64_t>(st.st_size)};
}

std::optional<std::size_t> readFully(int fd, std::uint8_t* into, std::size_t count) {
  return readOn(fd, into, count, std::nullopt);
}

std::optional<std::size_t> readFullyAt(int fd, std::uint8_t* into, std::size_t count,
                                       std::uint64_t offset) {
  return readOn(fd, into, count, offset);
}

}  // namespace hm
