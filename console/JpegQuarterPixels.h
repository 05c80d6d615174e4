#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "JpegEntropyDecoder.h"

namespace jpegfast {

// Output samples per block side at 1/4 scale: libjpeg scales a subsampled
// component less rather than upsample it, as far as powers of two allow.
constexpr int SamplesPerBlock(int maxAcross, int maxDown, int across, int down) {
  int samples = 2;
  while (samples < 4 && (2 * maxAcross) % (2 * across * samples) == 0 &&
         (2 * maxDown) % (2 * down * samples) == 0) {
    samples *= 2;
  }
  return samples;
}

struct ComponentOutput {
  int across = 1;  // blocks per MCU
  int down = 1;
  float dcScale = 0;  // output level per unit of DC
};

struct PictureLayout {
  int width = 0;  // of the output
  int height = 0;
  int mcusPerRow = 0;
  int mcuRows = 0;
  int mcuHeight = 0;  // output pixels
  int components = 0;
  std::array<ComponentOutput, kMaxComponents> component{};
  McuCoding coding;
};

// Where MCU i was decoded: the first store up to `secondFrom`, then the second
// store's MCU i - secondFrom + secondFirst, whose DC predictors started
// `dcShift` below the true ones.
struct DecodedMcus {
  const McuStore* first = nullptr;
  const McuStore* second = nullptr;
  std::size_t secondFrom = 0;
  std::size_t secondFirst = 0;
  Predictors dcShift{};
};

// What each coefficient, by zigzag index and dequantised, adds to the
// samples x samples box averages of its block's full-size inverse DCT.
std::vector<float> Contributions(const std::array<std::uint16_t, 64>& naturalOrderQuant,
                                 int samples);

// Fills the Format_RGB32 pixels of MCU rows [firstRow, endRow), clipped to
// the output; rows of different calls never share pixels.
void PaintMcuRows(const PictureLayout& layout, const DecodedMcus& mcus, int firstRow, int endRow,
                  std::uint8_t* pixels, std::ptrdiff_t bytesPerLine);

}  // namespace jpegfast
