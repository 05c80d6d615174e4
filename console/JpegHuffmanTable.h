#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace jpegfast {

// A table as a DHT segment carries it: counts[l] codes of length l (1..16),
// then the symbols in code order.
struct HuffmanSpec {
  std::array<std::uint8_t, 17> counts{};
  std::array<std::uint8_t, 256> symbols{};
};

// Codes this long or shorter are found with one table look-up.
inline constexpr int kFastBits = 10;

// HuffmanTable::coefficient packs a code and its extra bits, already decoded:
// total length, zero run before the value, end-of-block flag, signed value.
inline constexpr std::uint32_t kLengthMask = 0xFF;
inline constexpr int kRunShift = 8;
inline constexpr std::uint32_t kEndOfBlock = 1u << 12;
inline constexpr int kValueShift = 16;

struct HuffmanTable {
  std::array<std::uint32_t, 1 << kFastBits> coefficient{};  // 0: take the symbol path
  std::array<std::uint16_t, 1 << kFastBits> symbol{};       // length << 8 | symbol; 0: longer
  std::array<std::uint32_t, 17> limit{};  // codes of length l, left-aligned to 16 bits, lie below
  std::array<int, 17> firstIndex{};  // symbols index of the (possibly unused) code 0 of length l
  std::array<std::uint8_t, 256> symbols{};
};

// Empty for a table that libjpeg refuses as well: more than 256 codes, a
// length that runs out of codes, a DC size above 15.
std::optional<HuffmanTable> BuildHuffmanTable(const HuffmanSpec& spec, bool isDc);

}  // namespace jpegfast
