#include "RecycledBuffer.h"

#include <mutex>
#include <utility>
#include <vector>

namespace jpegfast {

namespace {

struct Kept {
  std::byte* data;
  std::size_t bytes;
};

// Enough for the buffers of two 1080p pictures in flight; larger pictures
// are rare enough to take fresh pages.
constexpr std::size_t kMostKeptBytes = 32 * 1024 * 1024;

class Pool {
 public:
  std::byte* Take(std::size_t& bytes) {
    {
      const std::lock_guard lock(mutex_);
      // The smallest that fits: a big one stays for a big picture.
      auto best = kept_.end();
      for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (it->bytes >= bytes && (best == kept_.end() || it->bytes < best->bytes)) best = it;
      }
      if (best != kept_.end()) {
        const Kept found = *best;
        kept_.erase(best);
        keptBytes_ -= found.bytes;
        bytes = found.bytes;
        return found.data;
      }
    }
    return new std::byte[bytes];
  }

  void Give(std::byte* data, std::size_t bytes) {
    {
      const std::lock_guard lock(mutex_);
      if (keptBytes_ + bytes <= kMostKeptBytes) {
        kept_.push_back({data, bytes});
        keptBytes_ += bytes;
        return;
      }
    }
    delete[] data;
  }

 private:
  std::mutex mutex_;
  std::vector<Kept> kept_;
  std::size_t keptBytes_ = 0;
};

// Never destroyed: a buffer may come back while the program shuts down.
Pool& ThePool() {
  static Pool* const pool = new Pool;
  return *pool;
}

}  // namespace

RecycledBuffer::RecycledBuffer(std::size_t bytes) : data_(ThePool().Take(bytes)), bytes_(bytes) {}

RecycledBuffer::~RecycledBuffer() {
  if (data_ != nullptr) ThePool().Give(data_, bytes_);
}

RecycledBuffer::RecycledBuffer(RecycledBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), bytes_(other.bytes_) {}

RecycledBuffer& RecycledBuffer::operator=(RecycledBuffer&& other) noexcept {
  if (this != &other) {
    if (data_ != nullptr) ThePool().Give(data_, bytes_);
    data_ = std::exchange(other.data_, nullptr);
    bytes_ = other.bytes_;
  }
  return *this;
}

}  // namespace jpegfast
