#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace camera {

// QImage (RGB32) to JPEG with libjpeg-turbo, reading the pixels in place.
// Throws std::runtime_error if the library reports an error.
void EncodeJpeg(const QImage& image, int quality, std::vector<std::uint8_t>& out);

}  // namespace camera
