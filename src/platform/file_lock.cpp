#include "platform/file_lock.h"

#include "platform/user_texts.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace hm {

namespace {

class HeldFile : public FileLock {
 public:
  explicit HeldFile(int fd) : fd_(fd) {}
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  // The lock goes with the last descriptor of the open file.
  ~HeldFile() override { ::close(fd_); }

 private:
  int fd_;
};

// Opened for writing where it may be, because a file system that keeps its locks on a server
// grants an exclusive one only then; nothing is ever written through it. A file that cannot be
// opened so (read-only, or a running program being patched) is still replaced by a rename.
// Without O_NONBLOCK a FIFO put in the file's place would hang the run here.
int openForLock(const std::string& path, MissingFile missing) {
  const int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  const int create = missing == MissingFile::Created ? O_CREAT : 0;
  int fd = ::open(path.c_str(), O_RDWR | flags | create, 0666);
  if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | flags | create, 0666);
  return fd;
}

bool isRegularFile(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// False once a rewrite has renamed another file over the one that was opened.
bool stillAtPath(int fd, const std::string& path) {
  struct stat held, now;
  return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
         held.st_ino == now.st_ino;
}

enum class Wait { Granted, TimedOut };

Wait waitForLock(int fd, std::chrono::steady_clock::time_point deadline) {
  using namespace std::chrono_literals;
  auto pause = 1ms;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    // A file system that keeps no locks at all is used as it was before there were locks.
    if (errno != EWOULDBLOCK) return Wait::Granted;
    if (std::chrono::steady_clock::now() >= deadline) return Wait::TimedOut;
    std::this_thread::sleep_for(pause);
    pause = std::min<std::chrono::milliseconds>(pause * 2, 20ms);
  }
  return Wait::Granted;
}

}  // namespace

Result<std::unique_ptr<FileLock>> lockFile(const std::string& path, std::chrono::milliseconds wait,
                                           MissingFile missing) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (true) {
    int fd = openForLock(path, missing);
    if (fd < 0) return Error{ErrorCode::OpenFailed, kOpenErrorText};
    if (!isRegularFile(fd)) {
      ::close(fd);
      return Error{ErrorCode::OpenFailed, kOpenErrorText};
    }
    if (waitForLock(fd, deadline) == Wait::TimedOut) {
      ::close(fd);
      return Error{ErrorCode::Busy, kFileBusyText};
    }
    if (stillAtPath(fd, path)) return std::unique_ptr<FileLock>(std::make_unique<HeldFile>(fd));
    // The holder we waited for renamed its new file over this one: its change is in that file.
    ::close(fd);
    if (std::chrono::steady_clock::now() >= deadline) {
      return Error{ErrorCode::Busy, kFileBusyText};
    }
  }
}

Result<std::unique_ptr<FileLock>> lockFolder(const std::string& folder,
                                             std::chrono::milliseconds wait) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::unique_ptr<FileLock>(std::make_unique<FileLock>());
  if (waitForLock(fd, std::chrono::steady_clock::now() + wait) == Wait::TimedOut) {
    ::close(fd);
    return Error{ErrorCode::Busy, kFileBusyText};
  }
  return std::unique_ptr<FileLock>(std::make_unique<HeldFile>(fd));
}

}  // namespace hm
