#include <QImage>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "JpegPicture.h"

// Input: the view's width and height (one byte each), then the picture file's
// bytes exactly as the camera delivered them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const QSize view(data[0], data[1]);
  const std::span<const std::uint8_t> jpeg(data + 2, size - 2);

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
