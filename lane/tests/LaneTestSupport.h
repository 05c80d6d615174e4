#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace virtual_lane::testing {

using ByteVector = std::vector<std::uint8_t>;

// "55 D5 44" → the bytes; blanks anywhere.
ByteVector Hex(std::string_view text);
std::string HexOf(const std::uint8_t* data, std::size_t count);
ByteVector Join(std::initializer_list<ByteVector> parts);
ByteVector Gbk(const char* utf8);

struct JpegInfo {
  bool decoded = false;
  int width = 0;
  int height = 0;
};
// Decodes every scanline with libjpeg, so a truncated or corrupt picture fails.
JpegInfo DecodeJpeg(const std::uint8_t* data, std::size_t count);

}  // namespace virtual_lane::testing
