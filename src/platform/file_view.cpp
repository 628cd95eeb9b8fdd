#include "platform/file_view.h"

#include "platform/mapped_file.h"

#include <cstring>
#include <utility>

namespace hm {

FileView::FileView() = default;

FileView::FileView(ByteImage image)
    : image_(std::move(image)), data_(image_.data()), size_(image_.size()) {}

FileView::FileView(std::unique_ptr<MappedFile> mapping)
    : mapping_(std::move(mapping)), data_(mapping_->data()), size_(mapping_->length()) {}

FileView::FileView(FileView&& other) noexcept
    : image_(std::move(other.image_)),
      mapping_(std::move(other.mapping_)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      cut_(std::exchange(other.cut_, false)) {}

FileView& FileView::operator=(FileView&& other) noexcept {
  image_ = std::move(other.image_);
  mapping_ = std::move(other.mapping_);
  data_ = std::exchange(other.data_, nullptr);
  size_ = std::exchange(other.size_, 0);
  cut_ = std::exchange(other.cut_, false);
  return *this;
}

FileView::~FileView() = default;

void FileView::resize(std::size_t size) {
  if (mapping_) {
    if (size <= size_) {
      size_ = size;
      return;
    }
    // Past the file's end the mapping can show zeros, but not after a shortened view.
    if (size_ == mapping_->length() && mapping_->makeRoom(size)) {
      data_ = mapping_->data();
      size_ = size;
      return;
    }
    copyMapping();
  }
  image_.resize(size);
  data_ = image_.data();
  size_ = size;
}

void FileView::copyMapping() {
  ByteImage copy = ByteImage::uninitialized(size_);
  if (size_) std::memcpy(copy.data(), data_, size_);
  cut_ = !mapping_->intact();
  mapping_.reset();
  image_ = std::move(copy);
  data_ = image_.data();
}

void FileView::release() {
  image_.release();
  mapping_.reset();
  data_ = nullptr;
  size_ = 0;
  cut_ = false;
}

bool FileView::intact() const {
  return mapping_ ? mapping_->intact() : !cut_;
}

}  // namespace hm
