#pragma once

#include <cstddef>

namespace jpegfast {

// Uninitialised bytes that go back to a small process-wide pool rather than
// to the allocator, which would hand each picture fresh pages: faulting in
// the few megabytes a decode uses costs a good part of the decode.
class RecycledBuffer {
 public:
  RecycledBuffer() = default;
  explicit RecycledBuffer(std::size_t bytes);
  ~RecycledBuffer();
  RecycledBuffer(RecycledBuffer&& other) noexcept;
  RecycledBuffer& operator=(RecycledBuffer&& other) noexcept;
  RecycledBuffer(const RecycledBuffer&) = delete;
  RecycledBuffer& operator=(const RecycledBuffer&) = delete;

  // For trivial types only; the storage is suitably aligned for any of them.
  template <typename T>
  T* As() const {
    return reinterpret_cast<T*>(data_);
  }

 private:
  std::byte* data_ = nullptr;
  std::size_t bytes_ = 0;
};

}  // namespace jpegfast
