#include "AutomationByteArray.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace camera {

AutomationByteArray::AutomationByteArray(std::int32_t elementCount) : count_(elementCount) {
  if (elementCount < 0)
    throw std::invalid_argument("an automation array cannot have a negative size");
  // calloc hands out a large block as fresh zero pages, untouched until
  // written: a megabyte snapshot buffer costs nothing at start-up.
  data_.reset(static_cast<std::uint8_t*>(
      std::calloc(std::max<std::size_t>(static_cast<std::size_t>(elementCount), 1), 1)));
  if (!data_) throw std::bad_alloc();
}

std::uint8_t* AutomationByteArray::Lock() {
  ++locks_;
  return data_.get();
}

void AutomationByteArray::Unlock() {
  // The automation runtime answers this with E_UNEXPECTED; a count below zero
  // would let the next Lock/Unlock pair leave the array looking unlocked.
  if (locks_ == 0) throw std::logic_error("automation array unlocked without a matching lock");
  --locks_;
}

bool AutomationByteArray::Redim(std::int32_t elementCount) {
  if (elementCount < 0 || IsLocked()) return false;
  const std::size_t size = std::max<std::size_t>(static_cast<std::size_t>(elementCount), 1);
  auto* grown = static_cast<std::uint8_t*>(std::realloc(data_.get(), size));
  if (grown == nullptr) return false;
  data_.release();
  data_.reset(grown);
  if (elementCount > count_) std::memset(grown + count_, 0, elementCount - count_);
  count_ = elementCount;
  return true;
}

bool CopyPicture(const std::vector<std::uint8_t>& jpeg, AutomationByteArray& picture,
                 std::int32_t bufferSize, std::int32_t& length) {
  const std::int64_t room = std::min<std::int64_t>(bufferSize, picture.ElementCount());
  if (jpeg.empty() || static_cast<std::int64_t>(jpeg.size()) > room) {
    length = 0;
    return false;
  }
  ArrayLock lock(picture);
  std::memcpy(lock.data(), jpeg.data(), jpeg.size());
  length = static_cast<std::int32_t>(jpeg.size());
  return true;
}

}  // namespace camera
