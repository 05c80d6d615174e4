#include "Crc16.h"

#include <algorithm>

namespace protocol {

std::uint16_t CalcCrc16(std::uint16_t initial, std::uint16_t polynomial, Bytes buffer,
                        std::int32_t count, std::int32_t start) {
  // 64-bit bounds so that start + count cannot overflow before clipping.
  const std::int64_t size = static_cast<std::int64_t>(buffer.size());
  const std::int64_t first = std::clamp<std::int64_t>(start, 0, size);
  const std::int64_t last = std::clamp<std::int64_t>(std::int64_t{start} + count, first, size);

  std::uint16_t crc = initial;
  for (const std::uint8_t byte : buffer.subspan(first, last - first)) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ polynomial) : crc >> 1;
    }
  }
  return crc;
}

}  // namespace protocol
