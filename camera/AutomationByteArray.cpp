#include "AutomationByteArray.h"

#include <stdexcept>

namespace camera {

AutomationByteArray::AutomationByteArray(std::int32_t elementCount) : count_(elementCount) {
  if (elementCount < 0)
    throw std::invalid_argument("an automation array cannot have a negative size");
  data_ = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(elementCount));
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

}  // namespace camera
