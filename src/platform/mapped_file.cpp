#include "platform/mapped_file.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hm {

namespace {

// Where each live mapping's file pages lie, for the SIGBUS handler. Only lock-free atomics:
// the handler may interrupt its thread anywhere.
struct GuardedRange {
  std::atomic<bool> taken{false};
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> end{0};
  std::atomic<bool> cut{false};
};

constexpr int kGuardedRanges = 64;
GuardedRange guardedRanges[kGuardedRanges];
struct sigaction earlierBusAction;
std::atomic<bool> guardInstalled{false};
const std::uintptr_t kPageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));

std::size_t wholePages(std::size_t bytes) {
  return (bytes + kPageSize - 1) / kPageSize * kPageSize;
}

// A page of a guarded mapping whose file was cut short: from that page to the end of the file's
// pages, zero pages take the place of the file, and the faulting access reads zero when it is
// repeated on return.
void onBusError(int signal, siginfo_t* info, void*) {
  const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (GuardedRange& range : guardedRanges) {
    const std::uintptr_t begin = range.begin.load(std::memory_order_acquire);
    const std::uintptr_t end = range.end.load(std::memory_order_acquire);
    if (begin == 0 || at < begin || at >= end) continue;
    const std::uintptr_t page = at & ~(kPageSize - 1);
    void* zeros = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (zeros == MAP_FAILED) break;
    range.cut.store(true, std::memory_order_release);
    return;
  }
  // Not ours: the earlier disposition takes the fault when the access repeats, or the signal
  // again when another process sent it.
  ::sigaction(SIGBUS, &earlierBusAction, nullptr);
  if (info->si_code <= 0) ::raise(signal);
}

bool installGuard() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    guardInstalled = ::sigaction(SIGBUS, &action, &earlierBusAction) == 0;
  });
  return guardInstalled;
}

// The guard's entry for a new range; -1 when none is free or no guard could be installed, and
// then the file must not be mapped.
int guardRange(const std::uint8_t* begin, std::size_t bytes) {
  if (!installGuard()) return -1;
  for (int i = 0; i < kGuardedRanges; ++i) {
    GuardedRange& range = guardedRanges[i];
    bool free = false;
    if (!range.taken.compare_exchange_strong(free, true)) continue;
    range.cut.store(false);
    range.end.store(reinterpret_cast<std::uintptr_t>(begin) + bytes, std::memory_order_release);
    range.begin.store(reinterpret_cast<std::uintptr_t>(begin), std::memory_order_release);
    return i;
  }
  return -1;
}

// Whether a page of the range was cut off.
bool unguardRange(int index) {
  GuardedRange& range = guardedRanges[index];
  range.begin.store(0, std::memory_order_release);
  range.end.store(0, std::memory_order_release);
  const bool cut = range.cut.load();
  range.taken.store(false);
  return cut;
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::map(int fd, std::size_t length, Loading loading) {
  std::unique_ptr<MappedFile> mapping(new MappedFile);
  mapping->fd_ = fd;
  mapping->length_ = length;
  const int populate = loading == Loading::AtOnce ? MAP_POPULATE : 0;
  if (length == 0 || !mapping->place(length, populate)) {
    mapping->fd_ = -1;
    return nullptr;
  }
  return mapping;
}

MappedFile::~MappedFile() {
  if (guard_ >= 0) unguardRange(guard_);
  if (base_) ::munmap(base_, reserved_);
  if (fd_ >= 0) ::close(fd_);
}

// Maps the file at the start of `room` bytes of fresh address space, zero past its pages.
bool MappedFile::place(std::size_t room, int populate) {
  const std::size_t filePages = wholePages(length_);
  const std::size_t reserved = std::max(filePages, wholePages(room));
  void* base = nullptr;
  int fixed = 0;
  if (reserved > filePages) {
    base = ::mmap(nullptr, reserved, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED) return false;
    fixed = MAP_FIXED;
  }
  void* file = ::mmap(base, length_, PROT_READ, MAP_PRIVATE | populate | fixed, fd_, 0);
  if (file == MAP_FAILED) {
    if (base) ::munmap(base, reserved);
    return false;
  }
  auto* bytes = static_cast<std::uint8_t*>(file);
  const int guard = guardRange(bytes, filePages);
  if (guard < 0) {
    ::munmap(bytes, reserved);
    return false;
  }
  base_ = bytes;
  reserved_ = reserved;
  guard_ = guard;
  return true;
}

bool MappedFile::makeRoom(std::size_t size) {
  if (size <= reserved_) return true;
  std::uint8_t* oldBase = base_;
  const std::size_t oldReserved = reserved_;
  const int oldGuard = guard_;
  // Not loaded again: while both mappings stand, the file's pages would count twice.
  if (!place(size, 0)) return false;
  cutBefore_ = unguardRange(oldGuard) || cutBefore_;
  ::munmap(oldBase, oldReserved);
  return true;
}

bool MappedFile::pagesCut() const {
  return cutBefore_ || guardedRanges[guard_].cut.load();
}

bool MappedFile::intact() const {
  if (pagesCut()) return false;
  struct stat st;
  return ::fstat(fd_, &st) == 0 && static_cast<std::uint64_t>(st.st_size) >= length_;
}

bool MappedFile::intactTo(std::size_t end) const {
  if (!pagesCut() && end <= length_) return true;
  struct stat st;
  return ::fstat(fd_, &st) == 0 && static_cast<std::uint64_t>(st.st_size) >= end;
}

}  // namespace hm
