#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "JpegEntropyDecoder.h"
#include "JpegHuffmanTable.h"
#include "JpegQuarterPixels.h"
#include "RecycledBuffer.h"

struct jpeg_decompress_struct;

namespace jpegfast {

inline constexpr int kNoMarker = -1;
inline constexpr int kFirstRestartMarker = 0xD0;

// Unstuffed entropy data between two markers, in bytes of EntropyData::bytes.
struct Segment {
  std::size_t begin = 0;
  std::size_t end = 0;
  int marker = kNoMarker;  // the one that ends it
};

struct EntropyData {
  EntropyData() = default;
  explicit EntropyData(std::size_t stuffedBytes) : buffer(stuffedBytes + kEntropyPadding) {}

  const std::uint8_t* bytes() const { return buffer.As<std::uint8_t>(); }

  RecycledBuffer buffer;  // the data, then kEntropyPadding zeros
  std::vector<Segment> segments;
};

// What the decode needs from the headers. McuCoding points into the tables,
// so a Scan stays where it was built.
struct Scan {
  PictureLayout layout;
  std::array<HuffmanTable, kMaxComponents> dcTables;
  std::array<HuffmanTable, kMaxComponents> acTables;
  std::array<std::vector<float>, kMaxComponents> contributions;
  std::size_t mcus = 0;
  std::size_t restartInterval = 0;  // MCUs; 0 for none
  std::span<const std::uint8_t> data;

  Scan() = default;
  Scan(const Scan&) = delete;
  Scan& operator=(const Scan&) = delete;
};

// The scan as `info` describes it after jpeg_read_header, at 1/4 scale; false
// for a picture the fast decode does not take.
bool Describe(const jpeg_decompress_struct& info, Scan& scan);

// Reads markers as libjpeg does: fill bytes 0xFF may precede one, and
// 0xFF 0x00 (after any fill) is a data byte 0xFF. Restart markers only end a
// segment when the scan has restart intervals; any other marker ends the data.
EntropyData Unstuff(std::span<const std::uint8_t> data, bool restartsEndSegments);

// libjpeg stops reading at the marker that ends the data; without one it
// would read past the end of the file.
bool IntervalsComplete(const Scan& scan, const EntropyData& entropy);

}  // namespace jpegfast
