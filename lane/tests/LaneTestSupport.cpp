#include "LaneTestSupport.h"

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <stdexcept>

#include "Gbk.h"

namespace virtual_lane::testing {

ByteVector Hex(std::string_view text) {
  ByteVector bytes;
  std::string digits;
  for (char c : text) {
    if (c == ' ') continue;
    digits += c;
    if (digits.size() == 2) {
      bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits, nullptr, 16)));
      digits.clear();
    }
  }
  if (!digits.empty()) throw std::invalid_argument("odd number of hex digits");
  return bytes;
}

std::string HexOf(const std::uint8_t* data, std::size_t count) {
  std::string text;
  char byte[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", data[i]);
    text += byte;
  }
  return text;
}

ByteVector Join(std::initializer_list<ByteVector> parts) {
  ByteVector joined;
  for (const auto& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

ByteVector Gbk(const char* utf8) {
  return protocol::EncodeGbk(utf8);
}

namespace {

struct ErrorEscape {
  jpeg_error_mgr manager;
  std::jmp_buf escape;
};

[[noreturn]] void Escape(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorEscape*>(info->err)->escape, 1);
}

// libjpeg only warns about a picture that ends early; a test must fail it.
void EscapeOnWarning(j_common_ptr info, int level) {
  if (level < 0) Escape(info);
}

}  // namespace

JpegInfo DecodeJpeg(const std::uint8_t* data, std::size_t count) {
  jpeg_decompress_struct info{};
  ErrorEscape errors{};
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = Escape;
  errors.manager.emit_message = EscapeOnWarning;
  std::vector<JSAMPLE> row;
  if (setjmp(errors.escape)) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(count));
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  row.resize(static_cast<std::size_t>(info.output_width) * info.output_components);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
  }
  jpeg_finish_decompress(&info);
  JpegInfo result{true, static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
  jpeg_destroy_decompress(&info);
  return result;
}

}  // namespace virtual_lane::testing
