#include "platform/atomic_output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>

namespace hm {

namespace {

// Skips what a short write took, so the rest can be written.
void consume(iovec*& pieces, int& count, std::size_t written) {
  while (count > 0 && written >= pieces->iov_len) {
    written -= pieces->iov_len;
    ++pieces;
    --count;
  }
  if (count > 0) {
    pieces->iov_base = static_cast<char*>(pieces->iov_base) + written;
    pieces->iov_len -= written;
  }
}

// `pieces` holds no empty piece.
bool writeBatch(int fd, iovec* pieces, int count) {
  while (count > 0) {
    ssize_t n = ::writev(fd, pieces, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    consume(pieces, count, static_cast<std::size_t>(n));
  }
  return true;
}

bool writeGathered(int fd, std::span<const std::span<const std::uint8_t>> pieces) {
  constexpr int kBatch = 1024;  // IOV_MAX on Linux
  iovec batch[kBatch];
  int count = 0;
  for (std::span<const std::uint8_t> piece : pieces) {
    if (piece.empty()) continue;
    batch[count++] = {const_cast<std::uint8_t*>(piece.data()), piece.size()};
    if (count == kBatch) {
      if (!writeBatch(fd, batch, count)) return false;
      count = 0;
    }
  }
  return writeBatch(fd, batch, count);
}

bool writeAll(int fd, const void* data, std::size_t size) {
  auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool writeAllAt(int fd, std::uint64_t offset, const void* data, std::size_t size) {
  auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    offset += static_cast<std::uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Writing through a link must replace the file it points to, not the link itself.
std::string resolveTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      std::string resolved = real;
      std::free(real);
      return resolved;
    }
  }
  return path;
}

enum class Target {
  Missing,
  Regular,
  Link,   // a link to nothing: replaced as a missing name would be taken
  Other,  // a folder, a device, a FIFO or a socket: never replaced
};

Target lookAt(const std::string& path, struct stat& st) {
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? Target::Missing : Target::Other;
  if (S_ISREG(st.st_mode)) return Target::Regular;
  if (S_ISLNK(st.st_mode)) return Target::Link;
  errno = EEXIST;
  return Target::Other;
}

// A short name of our own, so that a target name of the longest length still leaves room.
std::string temporaryName(const std::string& folder) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[10];
  if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    for (unsigned char& c : random) c = static_cast<unsigned char>(std::rand());
  }
  std::string name = folder + "/.hexmarshal-";
  for (unsigned char c : random) name += kLetters[c % (sizeof kLetters - 1)];
  return name;
}

// The kernel names an unnamed file through /proc only; without it a name is used from the start.
bool canNameUnnamedFiles() {
  static const bool can = ::access("/proc/self/fd", X_OK) == 0;
  return can;
}

std::string descriptorPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// A new file takes a name that is free, or fails with EEXIST; nothing is ever replaced here.
bool linkNew(const std::string& from, const std::string& to, bool fromDescriptor) {
  return ::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                  fromDescriptor ? AT_SYMLINK_FOLLOW : 0) == 0;
}

class AtomicOutputFile : public OutputFile {
 public:
  // `named` is the temporary's path, or empty for a file without a name.
  AtomicOutputFile(std::string target, std::string folder, int fd, std::string named)
      : target_(std::move(target)), folder_(std::move(folder)), named_(std::move(named)), fd_(fd) {}

  ~AtomicOutputFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (!published_ && !named_.empty()) ::unlink(named_.c_str());
    settle();
  }

  bool write(const void* data, std::size_t size) override {
    if (fd_ < 0 || failed_) return false;
    if (!writeAll(fd_, data, size)) failed_ = true;
    return !failed_;
  }

  bool writePieces(std::span<const std::span<const std::uint8_t>> pieces) override {
    if (fd_ < 0 || failed_) return false;
    if (!writeGathered(fd_, pieces)) failed_ = true;
    return !failed_;
  }

  bool writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
    if (fd_ < 0 || failed_) return false;
    if (!writeAllAt(fd_, offset, data, size)) failed_ = true;
    return !failed_;
  }

  bool writableAside() const override { return true; }

  bool prepare() override {
    if (fd_ < 0 || failed_) return false;
    if (prepared_) return true;
    struct stat st;
    const Target target = lookAt(target_, st);
    if (target == Target::Other) return fail();
    if (target == Target::Regular) {
      mode_t mode = st.st_mode & 07777;
      if (!keepOwner(st, mode) || ::fchmod(fd_, mode) != 0) return fail();
      // A file that is replaced must reach the disk before the rename, or a crash could leave
      // neither its old nor its new bytes. A new name puts nothing at stake, and the flush
      // would cost more than the job itself.
      if (::fsync(fd_) != 0) return fail();
    }
    prepared_ = true;
    return true;
  }

  bool publish(bool keepPrevious) override {
    if (!prepared_ || published_) return false;
    struct stat st;
    Target target = lookAt(target_, st);
    if (target == Target::Missing) {
      if (placeNew()) return took(true);
      if (errno != EEXIST) return fail();
      target = lookAt(target_, st);  // another program took the name meanwhile
    }
    if (target != Target::Regular && target != Target::Link) return fail();
    return replace(keepPrevious && target == Target::Regular);
  }

  bool withdraw() override {
    if (!published_) return false;
    bool ok = false;
    if (createdName_) {
      ok = ::unlink(target_.c_str()) == 0;
    } else if (!previous_.empty()) {
      ok = ::rename(previous_.c_str(), target_.c_str()) == 0;
      if (ok) previous_.clear();
    }
    published_ = !ok;
    return ok;
  }

  void settle() override {
    if (previous_.empty()) return;
    ::unlink(previous_.c_str());
    previous_.clear();
  }

 private:
  bool fail() {
    failed_ = true;
    return false;
  }

  bool took(bool createdName) {
    published_ = true;
    createdName_ = createdName;
    return true;
  }

  // Keeps the owner and group of the file replaced where this process may give them; where it
  // may not, the file becomes the runner's, and a set-id bit would then run it as the runner.
  bool keepOwner(const struct stat& old, mode_t& mode) {
    struct stat mine;
    if (::fstat(fd_, &mine) != 0) return false;
    const bool sameUser = mine.st_uid == old.st_uid;
    if (sameUser && mine.st_gid == old.st_gid) return true;
    if (::fchown(fd_, old.st_uid, old.st_gid) == 0) return true;
    if (errno != EPERM) return false;
    mode &= sameUser ? ~mode_t{S_ISGID} : ~mode_t{S_ISUID | S_ISGID};
    return true;
  }

  // Closing can report a write the file system deferred; a named file is closed before it takes
  // its name, so such a failure still leaves the target as it was.
  bool closeNamed() {
    if (named_.empty() || fd_ < 0) return true;
    // don't retry close on EINTR: the descriptor is gone either way
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

  // The target's name was free: it is taken without replacing anything that appears meanwhile.
  bool placeNew() {
    if (named_.empty()) {
      if (!linkNew(descriptorPath(fd_), target_, true)) return false;
      ::close(fd_);
      fd_ = -1;
      return true;
    }
    if (!closeNamed()) return false;
    if (linkNew(named_, target_, false)) {
      ::unlink(named_.c_str());
      named_.clear();
      return true;
    }
    // A file system without hard links can only rename.
    if (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP) {
      if (::rename(named_.c_str(), target_.c_str()) != 0) return false;
      named_.clear();
      return true;
    }
    return false;
  }

  bool replace(bool keepPrevious) {
    std::string temp = named_;
    if (temp.empty()) {
      temp = linkedTemporary();
      if (temp.empty()) return fail();
      ::close(fd_);
      fd_ = -1;
    } else if (!closeNamed()) {
      return fail();
    }
    if (keepPrevious) {
      previous_ = temporaryName(folder_);
      if (!linkNew(target_, previous_, false)) previous_.clear();
    }
    if (::rename(temp.c_str(), target_.c_str()) != 0) {
      ::unlink(temp.c_str());
      named_.clear();
      settle();
      return fail();
    }
    named_.clear();
    return took(false);
  }

  // The unnamed file under a free temporary name, to be renamed over the target.
  std::string linkedTemporary() {
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = temporaryName(folder_);
      if (linkNew(descriptorPath(fd_), name, true)) return name;
      if (errno != EEXIST) break;
    }
    return {};
  }

  std::string target_;
  std::string folder_;
  std::string named_;     // the temporary's name while it has one of its own
  std::string previous_;  // the replaced file, kept aside by publish(true)
  int fd_;
  bool failed_ = false;
  bool prepared_ = false;
  bool published_ = false;
  bool createdName_ = false;
};

int openUnnamed(const std::string& folder) {
  if (!canNameUnnamedFiles()) return -1;
  return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
}

int openNamed(const std::string& folder, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = temporaryName(folder);
    int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

std::string folderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::unique_ptr<OutputFile> createAtomicOutput(const std::string& path) {
  if (path.empty()) return nullptr;
  const std::string target = resolveTarget(path);
  struct stat st;
  if (lookAt(target, st) == Target::Other) return nullptr;
  const std::string folder = folderOf(target);
  int fd = openUnnamed(folder);
  std::string named;
  if (fd < 0) fd = openNamed(folder, named);
  if (fd < 0) return nullptr;
  return std::make_unique<AtomicOutputFile>(target, folder, fd, named);
}

}  // namespace hm
