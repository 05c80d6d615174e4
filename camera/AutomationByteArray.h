#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace camera {

// The automation byte array the console hands to Trigger and Capture: one
// dimension, unsigned bytes, lower bound 0, held as a variant of type
// VT_ARRAY | VT_UI1. Data is reachable only between Lock and Unlock.
class AutomationByteArray {
 public:
  static constexpr std::uint16_t kVariantArrayFlag = 0x2000;
  static constexpr std::uint16_t kVariantUnsignedByte = 0x11;
  static constexpr std::uint16_t kVariantType = kVariantArrayFlag | kVariantUnsignedByte;  // 8209

  explicit AutomationByteArray(std::int32_t elementCount);

  std::uint16_t VariantType() const { return kVariantType; }
  int Dimensions() const { return 1; }
  std::int32_t LowerBound() const { return 0; }
  std::int32_t ElementCount() const { return count_; }
  bool IsLocked() const { return locks_ > 0; }

  // Locks may nest, as with the automation runtime's own arrays.
  std::uint8_t* Lock();
  void Unlock();
  // As SafeArrayRedim: a new element count, the bytes kept up to the smaller
  // of the two and zero beyond; refused while locked. A field camera's picture
  // larger than the array the window hands over grows the array instead of
  // being cut.
  bool Redim(std::int32_t elementCount);

 private:
  struct FreeBytes {
    void operator()(std::uint8_t* bytes) const { std::free(bytes); }
  };

  std::int32_t count_;
  std::unique_ptr<std::uint8_t[], FreeBytes> data_;
  int locks_ = 0;
};

// Lock held for one scope.
class ArrayLock {
 public:
  explicit ArrayLock(AutomationByteArray& array) : array_(array), data_(array.Lock()) {}
  // A backend that already unlocked must not turn the scope's end into a terminate.
  ~ArrayLock() {
    if (array_.IsLocked()) array_.Unlock();
  }
  ArrayLock(const ArrayLock&) = delete;
  ArrayLock& operator=(const ArrayLock&) = delete;
  std::uint8_t* data() const { return data_; }

 private:
  AutomationByteArray& array_;
  std::uint8_t* data_;
};

// Copies a picture into `picture` only if it fits both the size the caller
// names and the array it hands over; `length` is 0 when it does not.
bool CopyPicture(const std::vector<std::uint8_t>& jpeg, AutomationByteArray& picture,
                 std::int32_t bufferSize, std::int32_t& length);

}  // namespace camera
