#pragma once

#include <cstddef>
#include <memory>

namespace hm {

// Asks for 2 MiB pages over the whole 2 MiB stretches of `bytes`. On virtual machines a first touch
// of a 4 KiB page costs about as much as filling it many times over, so a large array filled
// right after it is taken costs a few faults instead of tens of thousands. Only a hint: without
// huge pages nothing changes, and an array below 2 MiB is left alone.
void preferHugePages(void* bytes, std::size_t size);

// The allocator of the arrays that hold one entry per line or per block: millions of them are
// taken and filled at once.
template <class T>
struct HugePageAllocator {
  using value_type = T;

  HugePageAllocator() = default;
  template <class U>
  HugePageAllocator(const HugePageAllocator<U>&) {}

  T* allocate(std::size_t n) {
    T* p = std::allocator<T>{}.allocate(n);
    preferHugePages(p, n * sizeof(T));
    return p;
  }
  void deallocate(T* p, std::size_t n) { std::allocator<T>{}.deallocate(p, n); }

  template <class U>
  bool operator==(const HugePageAllocator<U>&) const {
    return true;
  }
};

}  // namespace hm
