#pragma once

#include <cstdint>

#include "ByteFrame.h"

namespace protocol {

inline constexpr std::uint16_t kCrcInitial = 0xFFFF;
inline constexpr std::uint16_t kCrcPolynomial = 0x8408;

// CRC-16/MCRF4XX when called with kCrcInitial and kCrcPolynomial. The range
// [start, start + count) is clipped to the buffer, so a lying count never
// reads past it; a count of 0 or less returns the initial value.
std::uint16_t CalcCrc16(std::uint16_t initial, std::uint16_t polynomial, Bytes buffer,
                        std::int32_t count, std::int32_t start);

}  // namespace protocol
