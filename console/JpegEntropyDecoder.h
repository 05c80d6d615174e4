#pragma once

#include <QtEndian>
#include <array>
#include <cstddef>
#include <cstdint>

#include "JpegHuffmanTable.h"
#include "RecycledBuffer.h"

namespace jpegfast {

// Zero bytes after the entropy data: an MCU that starts before the end and
// runs past it, which fails, still reads inside the buffer (an MCU takes at
// most 6 * 64 * 31 bits).
inline constexpr std::size_t kEntropyPadding = 4096;

inline constexpr int kMaxComponents = 3;
inline constexpr int kMaxBlocksInMcu = 6;

// Reads a byte-stuffing-free stream most significant bit first. The buffer
// holds `count_` unread bits at its top; refilling keeps at least 56.
class BitReader {
 public:
  BitReader(const std::uint8_t* data, std::size_t bit) : data_(data), next_(data + bit / 8) {
    Refill();
    Skip(static_cast<int>(bit % 8));
  }

  // Bytes already in the buffer are read again: OR-ing in the same bits is harmless.
  void Refill() {
    bits_ |= qFromBigEndian<std::uint64_t>(next_) >> count_;
    next_ += (63 - count_) >> 3;
    count_ |= 56;
  }

  std::uint32_t Peek(int count) const { return static_cast<std::uint32_t>(bits_ >> (64 - count)); }

  void Skip(int count) {
    bits_ <<= count;
    count_ -= static_cast<unsigned>(count);
  }

  // The signed value of the next `size` (1..15) bits.
  int Extend(int size) {
    const int value = static_cast<int>(Peek(size));
    Skip(size);
    return value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
  }

  std::size_t Position() const { return static_cast<std::size_t>(next_ - data_) * 8 - count_; }

 private:
  const std::uint8_t* data_;
  const std::uint8_t* next_;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
};

// One block of the MCU: its tables, and what each coefficient adds to the
// block's `samples` x `samples` reduced output.
struct BlockCoding {
  const HuffmanTable* dc = nullptr;
  const HuffmanTable* ac = nullptr;
  const float* contributions = nullptr;  // per zigzag index, samples * samples floats
  int samples = 2;
  int component = 0;
  int acOffset = 0;  // of this block's sums within the MCU's
};

struct McuCoding {
  int blocks = 0;
  std::array<BlockCoding, kMaxBlocksInMcu> block{};
  int acFloats = 0;  // per MCU
};

using Predictors = std::array<std::int32_t, kMaxComponents>;

// Decoded MCUs, one after another: their blocks' DC values and AC sums.
class McuStore {
 public:
  McuStore(const McuCoding& coding, std::size_t mcus)
      : blocks_(static_cast<std::size_t>(coding.blocks)),
        floats_(static_cast<std::size_t>(coding.acFloats)),
        dc_(mcus * blocks_ * sizeof(std::int32_t)),
        ac_(mcus * floats_ * sizeof(float)) {}

  std::int32_t* Dc(std::size_t mcu) { return dc_.As<std::int32_t>() + mcu * blocks_; }
  float* Ac(std::size_t mcu) { return ac_.As<float>() + mcu * floats_; }
  const std::int32_t* Dc(std::size_t mcu) const { return dc_.As<std::int32_t>() + mcu * blocks_; }
  const float* Ac(std::size_t mcu) const { return ac_.As<float>() + mcu * floats_; }

 private:
  std::size_t blocks_;
  std::size_t floats_;
  RecycledBuffer dc_;
  RecycledBuffer ac_;
};

// Decodes MCUs into each block's DC value (prediction applied) and its AC
// sums for the reduced output; the DC part is left out of the sums so that a
// later shift of the predictors stays exact.
class McuDecoder {
 public:
  McuDecoder(const McuCoding& coding, const std::uint8_t* data, std::size_t bit)
      : coding_(coding), data_(data), reader_(data, bit) {}

  // False on a code the tables lack or a zero run past the block's end.
  bool Decode(std::int32_t* dc, float* ac);

  // Decodes on from `bit` with the predictors at zero, as after a restart marker.
  void Restart(std::size_t bit) {
    reader_ = BitReader(data_, bit);
    predictors_ = {};
  }

  std::size_t Position() const { return reader_.Position(); }
  const Predictors& predictors() const { return predictors_; }

 private:
  const McuCoding& coding_;
  const std::uint8_t* data_;
  BitReader reader_;
  Predictors predictors_{};
};

}  // namespace jpegfast
