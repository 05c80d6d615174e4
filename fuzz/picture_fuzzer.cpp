#include <QImage>
#include <QSize>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include <jpeglib.h>

#include "FuzzCheck.h"
#include "JpegFastDecode.h"
#include "JpegPicture.h"

namespace {

struct HeaderReader {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  std::jmp_buf escape;
};

[[noreturn]] void Escape(j_common_ptr info) {
  std::longjmp(reinterpret_cast<HeaderReader*>(info->client_data)->escape, 1);
}

void Quietly(j_common_ptr, int) {}

// Headers read and the output set to 1/4, as the console asks for it; false
// where libjpeg refuses the headers.
bool ReadQuarterScaleHeader(HeaderReader& reader, std::span<const std::uint8_t> jpeg) {
  if (setjmp(reader.escape)) return false;
  reader.info.err = jpeg_std_error(&reader.errors);
  reader.errors.error_exit = Escape;
  reader.errors.emit_message = Quietly;
  reader.info.client_data = &reader;
  jpeg_create_decompress(&reader.info);
  jpeg_mem_src(&reader.info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&reader.info, TRUE);
  if (std::int64_t{reader.info.image_width} * reader.info.image_height > kMaxPicturePixels) {
    return false;
  }
  reader.info.scale_num = 2;
  reader.info.scale_denom = 8;
  jpeg_calc_output_dimensions(&reader.info);
  return true;
}

// The two-thread decode takes only what libjpeg accepts, and where its second
// half starts never changes the picture.
void CheckFastDecode(std::span<const std::uint8_t> jpeg) {
  HeaderReader reader;
  const bool headerRead = ReadQuarterScaleHeader(reader, jpeg);
  const jpegfast::FastDecode single =
      headerRead ? jpegfast::DecodeQuarterScale(reader.info,
                                                {.mode = jpegfast::SplitPlan::Mode::SingleThread})
                 : jpegfast::FastDecode{};
  const jpegfast::FastDecode split =
      single.picture.isNull()
          ? jpegfast::FastDecode{}
          : jpegfast::DecodeQuarterScale(
                reader.info,
                {.mode = jpegfast::SplitPlan::Mode::SecondHalfFirst, .byte = jpeg.size() / 3});
  const QSize quarter(static_cast<int>(reader.info.output_width),
                      static_cast<int>(reader.info.output_height));
  jpeg_destroy_decompress(&reader.info);
  if (single.picture.isNull()) return;

  FuzzCheck(split.picture == single.picture, "the split decode gives the single-threaded picture");
  // A view one pixel larger than the 1/4 output is decoded at 1/2, by libjpeg alone.
  try {
    DecodeJpegCovering(jpeg, quarter + QSize(1, 1));
  } catch (const PictureError&) {
    FuzzCheck(false, "libjpeg accepts what the fast decode accepts");
  }
}

}  // namespace

// Input: the view's width and height (one byte each), then the picture file's
// bytes exactly as the camera delivered them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const QSize view(data[0], data[1]);
  const std::span<const std::uint8_t> jpeg(data + 2, size - 2);
  CheckFastDecode(jpeg);

  QImage shown;
  try {
    shown = DecodeJpegStretched(jpeg, view);
  } catch (const PictureError& error) {
    FuzzCheck(*error.what() != '\0', "a refused picture says why");
    return 0;
  }

  if (view.isEmpty()) {
    FuzzCheck(shown.isNull(), "an empty view gets no picture");
    return 0;
  }
  FuzzCheck(shown.size() == view, "the picture fills the view exactly");
  if (shown.format() == QImage::Format_RGB32) {
    for (int y = 0; y < shown.height(); ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(shown.constScanLine(y));
      for (int x = 0; x < shown.width(); ++x) {
        FuzzCheck(row[x] >> 24 == 0xFF, "RGB32 pixels carry an opaque alpha byte");
      }
    }
  }
  return 0;
}
