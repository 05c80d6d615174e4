#include "JpegHuffmanTable.h"

namespace jpegfast {

namespace {

// The signed value that `size` extra bits stand for.
int Extend(std::uint32_t bits, int size) {
  const int value = static_cast<int>(bits);
  return value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
}

// What a code of `length` bits for `symbol`, found at the top of `index`,
// decodes to if its extra bits fit in the look-up too.
std::uint32_t CoefficientEntry(int symbol, int length, std::uint32_t index, bool isDc) {
  const int run = isDc ? 0 : symbol >> 4;
  const int size = isDc ? symbol : symbol & 15;
  if (size == 0) {
    const bool endOfBlock = !isDc && run != 15;
    return static_cast<std::uint32_t>(length) | static_cast<std::uint32_t>(run) << kRunShift |
           (endOfBlock ? kEndOfBlock : 0);
  }
  if (length + size > kFastBits) return 0;
  const std::uint32_t extra = (index >> (kFastBits - length - size)) & ((1u << size) - 1);
  return static_cast<std::uint32_t>(length + size) | static_cast<std::uint32_t>(run) << kRunShift |
         static_cast<std::uint32_t>(Extend(extra, size)) << kValueShift;
}

}  // namespace

std::optional<HuffmanTable> BuildHuffmanTable(const HuffmanSpec& spec, bool isDc) {
  HuffmanTable table;
  table.symbols = spec.symbols;
  int index = 0;
  std::uint32_t code = 0;
  for (int length = 1; length <= 16; ++length) {
    const int count = spec.counts[static_cast<std::size_t>(length)];
    if (index + count > 256) return std::nullopt;
    // No code may be all ones: the code after the last must still fit in `length` bits.
    if (code + static_cast<std::uint32_t>(count) >= 1u << length) return std::nullopt;
    table.firstIndex[static_cast<std::size_t>(length)] = index - static_cast<int>(code);
    for (int i = 0; i < count; ++i, ++index, ++code) {
      const int symbol = spec.symbols[static_cast<std::size_t>(index)];
      if (isDc && symbol > 15) return std::nullopt;
      if (length > kFastBits) continue;
      const std::uint32_t first = code << (kFastBits - length);
      for (std::uint32_t fill = 0; fill < 1u << (kFastBits - length); ++fill) {
        table.symbol[first + fill] = static_cast<std::uint16_t>(length << 8 | symbol);
        table.coefficient[first + fill] = CoefficientEntry(symbol, length, first + fill, isDc);
      }
    }
    table.limit[static_cast<std::size_t>(length)] = code << (16 - length);
    code <<= 1;
  }
  return table;
}

}  // namespace jpegfast
