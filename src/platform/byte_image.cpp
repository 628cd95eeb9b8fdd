#include "platform/byte_image.h"

#include "platform/huge_pages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace hm {

namespace {

// An image is filled right after it is allocated: a 16 MiB image on 2 MiB pages costs a few
// faults instead of four thousand, which took longer than comparing the bytes.
std::unique_ptr<std::uint8_t[]> allocateImage(std::size_t size) {
  std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size ? size : 1]);
  preferHugePages(bytes.get(), size);
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
