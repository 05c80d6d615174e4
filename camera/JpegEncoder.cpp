#include "JpegEncoder.h"

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace camera {
namespace {

// QImage::Format_RGB32 is 0xffRRGGBB per pixel, so its byte order follows the CPU's.
constexpr J_COLOR_SPACE kRgb32Layout =
    Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
constexpr std::size_t kGrowth = 64 * 1024;

struct VectorDestination {
  jpeg_destination_mgr manager;
  std::vector<std::uint8_t>* out;
};

void InitDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  if (dest->out->size() < kGrowth) dest->out->resize(kGrowth);
  dest->manager.next_output_byte = dest->out->data();
  dest->manager.free_in_buffer = dest->out->size();
}

boolean GrowDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  const std::size_t used = dest->out->size();
  dest->out->resize(used * 2);
  dest->manager.next_output_byte = dest->out->data() + used;
  dest->manager.free_in_buffer = dest->out->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  dest->out->resize(dest->out->size() - dest->manager.free_in_buffer);
}

struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf escape;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void EscapeOnError(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->escape, 1);
}

}  // namespace

void EncodeJpeg(const QImage& image, int quality, std::vector<std::uint8_t>& out) {
  const QImage pixels =
      image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);

  jpeg_compress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = EscapeOnError;
  VectorDestination dest{};
  dest.out = &out;
  dest.manager.init_destination = InitDestination;
  dest.manager.empty_output_buffer = GrowDestination;
  dest.manager.term_destination = TermDestination;

  if (setjmp(errors.escape)) {
    jpeg_destroy_compress(&info);
    out.clear();
    throw std::runtime_error(std::string("JPEG encoding failed: ") + errors.message);
  }
  jpeg_create_compress(&info);
  info.dest = &dest.manager;
  info.image_width = static_cast<JDIMENSION>(pixels.width());
  info.image_height = static_cast<JDIMENSION>(pixels.height());
  info.input_components = 4;
  info.in_color_space = kRgb32Layout;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
}

}  // namespace camera
