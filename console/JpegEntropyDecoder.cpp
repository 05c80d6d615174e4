#include "JpegEntropyDecoder.h"

#include <cstring>

namespace jpegfast {

namespace {

struct LongCode {
  int symbol;
  int length;  // 0: no such code
};

// Codes longer than the look-up are rare; keeping them out of line keeps the
// reader's state in registers.
[[gnu::noinline]] LongCode DecodeLongCode(std::uint32_t next16Bits, const HuffmanTable& table) {
  for (int length = kFastBits + 1; length <= 16; ++length) {
    const auto l = static_cast<std::size_t>(length);
    if (next16Bits < table.limit[l]) {
      const int index = table.firstIndex[l] + static_cast<int>(next16Bits >> (16 - length));
      return {table.symbols[static_cast<std::size_t>(index)], length};
    }
  }
  return {0, 0};
}

// Inlined, so that the reader never has its address taken.
[[gnu::always_inline]] inline int DecodeSymbol(BitReader& reader, const HuffmanTable& table) {
  const std::uint16_t shortCode = table.symbol[reader.Peek(kFastBits)];
  if (shortCode != 0) {
    reader.Skip(shortCode >> 8);
    return shortCode & 0xFF;
  }
  const LongCode code = DecodeLongCode(reader.Peek(16), table);
  if (code.length == 0) return -1;
  reader.Skip(code.length);
  return code.symbol;
}

// Four sums at once; GCC and Clang both know this vector type.
using Float4 = float __attribute__((vector_size(16)));

Float4 LoadFloat4(const float* from) {
  Float4 four;
  std::memcpy(&four, from, sizeof four);
  return four;
}

// A refill leaves at least 56 bits. A code with its extra bits takes at most
// 31 (16 + 15); one found in the look-up at most kFastBits. So the rare long
// ones refill first, and after any one of them, two short ones still fit:
// one refill serves three coefficients, which keeps it off most of the
// dependency chain from one code to the next.
constexpr int kCoefficientsPerRefill = 3;
static_assert(56 - 31 - (kCoefficientsPerRefill - 2) * kFastBits >= kFastBits);

struct BlockSums {
  int k = 1;  // zigzag index of the next coefficient
  bool failed = false;
  // Named rather than an array, which GCC keeps in memory.
  Float4 sums0{};
  Float4 sums1{};
  Float4 sums2{};
  Float4 sums3{};
};

// False once the block is complete, or on data libjpeg might read otherwise.
template <int kSamples>
[[gnu::always_inline]] inline bool NextCoefficient(BitReader& reader, const BlockCoding& coding,
                                                   BlockSums& block) {
  int run = 0;
  int value = 0;
  if (const std::uint32_t entry = coding.ac->coefficient[reader.Peek(kFastBits)]; entry != 0) {
    reader.Skip(static_cast<int>(entry & kLengthMask));
    if (entry & kEndOfBlock) return false;
    run = static_cast<int>(entry >> kRunShift) & 15;
    value = static_cast<std::int32_t>(entry) >> kValueShift;
  } else {
    reader.Refill();
    const int symbol = DecodeSymbol(reader, *coding.ac);
    if (symbol < 0) {
      block.failed = true;
      return false;
    }
    run = symbol >> 4;
    const int size = symbol & 15;
    if (size == 0 && run != 15) return false;
    if (size > 0) value = reader.Extend(size);
  }
  block.k += run;
  // libjpeg quietly drops such coefficients; let it decide on the picture.
  if (block.k > 63) {
    block.failed = true;
    return false;
  }
  const float* row = coding.contributions + block.k * kSamples * kSamples;
  const auto level = static_cast<float>(value);
  const Float4 coefficient = {level, level, level, level};
  block.sums0 += coefficient * LoadFloat4(row);
  if constexpr (kSamples == 4) {
    block.sums1 += coefficient * LoadFloat4(row + 4);
    block.sums2 += coefficient * LoadFloat4(row + 8);
    block.sums3 += coefficient * LoadFloat4(row + 12);
  }
  return ++block.k < 64;
}

template <int kSamples>
bool DecodeBlock(BitReader& reader, const BlockCoding& coding, std::int32_t& predictor,
                 std::int32_t* dc, float* ac) {
  reader.Refill();
  int difference = 0;
  if (const std::uint32_t entry = coding.dc->coefficient[reader.Peek(kFastBits)]; entry != 0) {
    reader.Skip(static_cast<int>(entry & kLengthMask));
    difference = static_cast<std::int32_t>(entry) >> kValueShift;
  } else {
    const int size = DecodeSymbol(reader, *coding.dc);
    if (size < 0) return false;
    if (size > 0) difference = reader.Extend(size);
  }
  // Wraps like the 32-bit sum it is, without overflowing on corrupt data.
  predictor = static_cast<std::int32_t>(static_cast<std::uint32_t>(predictor) +
                                        static_cast<std::uint32_t>(difference));
  *dc = predictor;

  BlockSums block;
  do {
    reader.Refill();  // for the next kCoefficientsPerRefill coefficients
  } while (NextCoefficient<kSamples>(reader, coding, block) &&
           NextCoefficient<kSamples>(reader, coding, block) &&
           NextCoefficient<kSamples>(reader, coding, block));
  if (block.failed) return false;
  std::memcpy(ac, &block.sums0, sizeof block.sums0);
  if constexpr (kSamples == 4) {
    std::memcpy(ac + 4, &block.sums1, sizeof block.sums1);
    std::memcpy(ac + 8, &block.sums2, sizeof block.sums2);
    std::memcpy(ac + 12, &block.sums3, sizeof block.sums3);
  }
  return true;
}

}  // namespace

bool McuDecoder::Decode(std::int32_t* dc, float* ac) {
  // A local copy the compiler can keep in registers.
  BitReader reader = reader_;
  bool decoded = true;
  for (int b = 0; b < coding_.blocks && decoded; ++b) {
    const BlockCoding& block = coding_.block[static_cast<std::size_t>(b)];
    std::int32_t& predictor = predictors_[static_cast<std::size_t>(block.component)];
    decoded = block.samples == 2
                  ? DecodeBlock<2>(reader, block, predictor, dc + b, ac + block.acOffset)
                  : DecodeBlock<4>(reader, block, predictor, dc + b, ac + block.acOffset);
  }
  reader_ = reader;
  return decoded;
}

}  // namespace jpegfast
