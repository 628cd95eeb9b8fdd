#include "platform/byte_image.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>

namespace hm {

namespace {

// An image is filled right after it is allocated. On 2 MiB pages a 16 MiB image costs a few
// faults instead of four thousand, which took longer than comparing the bytes. Only a hint:
// without huge pages nothing changes.
std::unique_ptr<std::uint8_t[]> allocateImage(std::size_t size) {
  std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size ? size : 1]);
  constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
  auto at = reinterpret_cast<std::uintptr_t>(bytes.get());
  std::uintptr_t begin = (at + kHugePage - 1) & ~(kHugePage - 1);
  std::uintptr_t end = (at + size) & ~(kHugePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  return bytes;
}

}  // namespace

ByteImage::ByteImage(std::size_t size) : ByteImage(uninitialized(size)) {
  if (size) std::memset(data_.get(), 0, size);
}

ByteImage ByteImage::uninitialized(std::size_t size) {
  ByteImage image;
  image.data_ = allocateImage(size);
  image.size_ = size;
  image.capacity_ = size;
  return image;
}

void ByteImage::resize(std::size_t size) {
  if (size > capacity_) {
    std::size_t capacity = std::max(size, capacity_ + capacity_ / 2);
    std::unique_ptr<std::uint8_t[]> grown = allocateImage(capacity);
    if (size_) std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
  }
  if (size > size_) std::memset(data_.get() + size_, 0, size - size_);
  size_ = size;
}

void ByteImage::release() {
  data_.reset();
  size_ = capacity_ = 0;
}

}  // namespace hm
