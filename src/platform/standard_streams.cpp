#include "platform/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

namespace hm {

bool openStandardStreams() {
  for (int fd = 0; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    // The lowest free number is the one just found closed.
    const int opened = ::open("/dev/null", O_RDWR);
    if (opened != fd) {
      if (opened >= 0) ::close(opened);
      return false;
    }
  }
  return true;
}

}  // namespace hm
