#include "JpegQuarterPixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace jpegfast {

namespace {

constexpr std::array<std::uint8_t, 64> kZigzagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Four lanes at once; GCC and Clang both know these vector types.
using Float4 = float __attribute__((vector_size(16)));
using Int4 = std::int32_t __attribute__((vector_size(16)));

// Weights[m][u]: weight of frequency u in the average of output cell m of an
// 8-point inverse DCT cut into `samples` cells.
using CellWeights = std::array<std::array<double, 8>, 4>;

CellWeights WeightsFor(int samples) {
  CellWeights weights{};
  const int cell = 8 / samples;
  for (int m = 0; m < samples; ++m) {
    for (int u = 0; u < 8; ++u) {
      double sum = 0;
      for (int n = m * cell; n < (m + 1) * cell; ++n) {
        sum += std::cos((2 * n + 1) * u * std::numbers::pi / 16);
      }
      const double scale = u == 0 ? 1 / std::numbers::sqrt2 : 1.0;
      weights[static_cast<std::size_t>(m)][static_cast<std::size_t>(u)] = 0.5 * scale * sum / cell;
    }
  }
  return weights;
}

// Rounded and clamped to 0..255, as libjpeg's range limit leaves samples.
Int4 Levels(Float4 values) {
  const Float4 zero{};
  const Float4 top = zero + 255.0f;
  values += 0.5f;
  values = values < zero ? zero : values;
  values = values > top ? top : values;
  return __builtin_convertvector(values, Int4);
}

// floor(scaled / 65536 + 1/2): libjpeg's fixed-point rounding.
Int4 RoundFixed(Int4 scaled) {
  return (scaled + 32768) >> 16;
}

Int4 Channel(Int4 value) {
  const Int4 zero{};
  const Int4 top = zero + 255;
  value = value < zero ? zero : value;
  return value > top ? top : value;
}

// JFIF's YCbCr to RGB with libjpeg's 16-bit fixed-point factors.
[[gnu::always_inline]] inline Int4 YccToRgb(Int4 y, Int4 cb, Int4 cr) {
  const Int4 blue = cb - 128;
  const Int4 red = cr - 128;
  const Int4 r = Channel(y + RoundFixed(91881 * red));
  const Int4 g = Channel(y + RoundFixed(-22554 * blue - 46802 * red));
  const Int4 b = Channel(y + RoundFixed(116130 * blue));
  return static_cast<std::int32_t>(0xff000000) | r << 16 | g << 8 | b;
}

Int4 GreyToRgb(Int4 y) {
  return static_cast<std::int32_t>(0xff000000) | y << 16 | y << 8 | y;
}

// One MCU row of one component at output resolution, rows kMaxMcuHeight
// apart, each a whole number of Int4 wide.
class RowPlane {
 public:
  explicit RowPlane(int width) : stride_((width + 3) / 4 * 4), levels_(stride_ * kMaxMcuHeight) {}

  std::int32_t* Row(int y) { return levels_.data() + static_cast<std::size_t>(y) * stride_; }
  Int4 Load(int y, int x) const {
    Int4 four;
    std::memcpy(
        &four, levels_.data() + static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x),
        sizeof four);
    return four;
  }

  static constexpr int kMaxMcuHeight = 4;

 private:
  std::size_t stride_;
  std::vector<std::int32_t> levels_;
};

// A block's levels, each repeated over the output pixels it covers.
template <int kSamples, int kShiftX, int kShiftY>
void PlaceBlock(Float4 base, const float* sums, RowPlane& plane, int left, int top) {
  std::int32_t levels[kSamples * kSamples];
  for (int i = 0; i < kSamples * kSamples; i += 4) {
    Float4 four;
    std::memcpy(&four, sums + i, sizeof four);
    const Int4 rounded = Levels(base + four);
    std::memcpy(levels + i, &rounded, sizeof rounded);
  }
  for (int sy = 0; sy < kSamples; ++sy) {
    for (int dy = 0; dy < 1 << kShiftY; ++dy) {
      std::int32_t* row = plane.Row(top + (sy << kShiftY) + dy) + left;
      for (int sx = 0; sx < kSamples; ++sx) {
        for (int dx = 0; dx < 1 << kShiftX; ++dx) {
          row[(sx << kShiftX) + dx] = levels[sy * kSamples + sx];
        }
      }
    }
  }
}

// One instance per sampling, so that every loop over samples has constant
// bounds; `kAcross` x `kDown` luma blocks per MCU, chroma at (1,1).
template <int kAcross, int kDown, int kComponents>
void PaintRows(const PictureLayout& layout, const DecodedMcus& mcus, int firstRow, int endRow,
               std::uint8_t* pixels, std::ptrdiff_t bytesPerLine) {
  constexpr int kChromaSamples = SamplesPerBlock(kAcross, kDown, 1, 1);
  constexpr int kChromaShiftX = 2 * kAcross / kChromaSamples == 2 ? 1 : 0;
  constexpr int kChromaShiftY = 2 * kDown / kChromaSamples == 2 ? 1 : 0;
  constexpr int kMcuWidth = 2 * kAcross;
  constexpr int kLumaBlocks = kAcross * kDown;
  const McuCoding& coding = layout.coding;

  const int planeWidth = layout.mcusPerRow * kMcuWidth;
  std::vector<RowPlane> planes(kComponents, RowPlane(planeWidth));
  std::vector<std::uint32_t> converted(static_cast<std::size_t>(planeWidth + 3) / 4 * 4);
  for (int row = firstRow; row < endRow; ++row) {
    for (int column = 0; column < layout.mcusPerRow; ++column) {
      const auto mcu = static_cast<std::size_t>(row) * static_cast<std::size_t>(layout.mcusPerRow) +
                       static_cast<std::size_t>(column);
      const bool fromSecond = mcus.second != nullptr && mcu >= mcus.secondFrom;
      const McuStore& store = fromSecond ? *mcus.second : *mcus.first;
      const std::size_t stored = fromSecond ? mcu - mcus.secondFrom + mcus.secondFirst : mcu;
      const std::int32_t* dc = store.Dc(stored);
      const float* ac = store.Ac(stored);
      const auto base = [&](int block, int component) {
        const auto c = static_cast<std::size_t>(component);
        const std::uint32_t shift = fromSecond ? static_cast<std::uint32_t>(mcus.dcShift[c]) : 0;
        // Coefficients are 16 bits wide in libjpeg too; only corrupt data comes near.
        const auto value = static_cast<std::int16_t>(static_cast<std::uint32_t>(dc[block]) + shift);
        return Float4{} + (128.0f + static_cast<float>(value) * layout.component[c].dcScale);
      };

      for (int b = 0; b < kLumaBlocks; ++b) {
        PlaceBlock<2, 0, 0>(base(b, 0), ac + coding.block[static_cast<std::size_t>(b)].acOffset,
                            planes[0], column * kMcuWidth + b % kAcross * 2, b / kAcross * 2);
      }
      for (int c = 1; c < kComponents; ++c) {
        const int b = kLumaBlocks + c - 1;
        PlaceBlock<kChromaSamples, kChromaShiftX, kChromaShiftY>(
            base(b, c), ac + coding.block[static_cast<std::size_t>(b)].acOffset,
            planes[static_cast<std::size_t>(c)], column * kMcuWidth, 0);
      }
    }

    const int top = row * layout.mcuHeight;
    const int height = std::min(layout.mcuHeight, layout.height - top);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < planeWidth; x += 4) {
        Int4 rgb;
        if constexpr (kComponents == 1) {
          rgb = GreyToRgb(planes[0].Load(y, x));
        } else {
          rgb = YccToRgb(planes[0].Load(y, x), planes[1].Load(y, x), planes[2].Load(y, x));
        }
        std::memcpy(converted.data() + x, &rgb, sizeof rgb);
      }
      std::memcpy(pixels + (top + y) * bytesPerLine, converted.data(),
                  static_cast<std::size_t>(layout.width) * sizeof(std::uint32_t));
    }
  }
}

}  // namespace

std::vector<float> Contributions(const std::array<std::uint16_t, 64>& naturalOrderQuant,
                                 int samples) {
  static const CellWeights kHalves = WeightsFor(2);
  static const CellWeights kQuarters = WeightsFor(4);
  const CellWeights& weights = samples == 2 ? kHalves : kQuarters;
  const int sums = samples * samples;
  std::vector<float> table(static_cast<std::size_t>(64 * sums));
  for (int k = 1; k < 64; ++k) {
    const auto natural = kZigzagToNatural[static_cast<std::size_t>(k)];
    const double quant = naturalOrderQuant[natural];
    for (int y = 0; y < samples; ++y) {
      for (int x = 0; x < samples; ++x) {
        table[static_cast<std::size_t>(k * sums + y * samples + x)] =
            static_cast<float>(quant * weights[static_cast<std::size_t>(y)][natural / 8u] *
                               weights[static_cast<std::size_t>(x)][natural % 8u]);
      }
    }
  }
  return table;
}

void PaintMcuRows(const PictureLayout& layout, const DecodedMcus& mcus, int firstRow, int endRow,
                  std::uint8_t* pixels, std::ptrdiff_t bytesPerLine) {
  const ComponentOutput& luma = layout.component[0];
  const auto paint = [&](auto rows) { rows(layout, mcus, firstRow, endRow, pixels, bytesPerLine); };
  if (layout.components == 1) return paint(PaintRows<1, 1, 1>);
  if (luma.across == 1 && luma.down == 1) return paint(PaintRows<1, 1, 3>);
  if (luma.across == 2 && luma.down == 1) return paint(PaintRows<2, 1, 3>);
  if (luma.across == 1 && luma.down == 2) return paint(PaintRows<1, 2, 3>);
  paint(PaintRows<2, 2, 3>);
}

}  // namespace jpegfast
