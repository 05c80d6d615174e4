#include "JpegSize.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>

namespace lanectl {
namespace {

struct Errors {
  jpeg_error_mgr library;
  std::jmp_buf escape;
};

// libjpeg would end the process on a bad header; this returns to JpegSize instead.
void Escape(j_common_ptr info) {
  std::longjmp(reinterpret_cast<Errors*>(info->err)->escape, 1);
}

}  // namespace

std::optional<QSize> JpegSize(const QByteArray& jpeg) {
  if (jpeg.isEmpty()) return std::nullopt;
  jpeg_decompress_struct info{};
  Errors errors{};
  info.err = jpeg_std_error(&errors.library);
  errors.library.error_exit = Escape;
  errors.library.output_message = [](j_common_ptr) {};
  jpeg_create_decompress(&info);
  if (setjmp(errors.escape)) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.constData()),
               static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  const QSize size(static_cast<int>(info.image_width), static_cast<int>(info.image_height));
  jpeg_destroy_decompress(&info);
  return size;
}

}  // namespace lanectl
