#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace hm {

// A whole file held in memory. Bytes added by growing are zero.
class ByteImage {
 public:
  ByteImage() = default;
  explicit ByteImage(std::size_t size);
  static ByteImage uninitialized(std::size_t size);

  std::uint8_t* data() { return data_.get(); }
  const std::uint8_t* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }
  std::uint8_t& operator[](std::size_t i) { return data_[i]; }
  std::uint8_t operator[](std::size_t i) const { return data_[i]; }

  void resize(std::size_t size);
  void release();

 private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace hm
