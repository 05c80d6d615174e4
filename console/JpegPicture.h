#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <span>
#include <stdexcept>

// A picture that could not be read or decoded; what() is the reason.
class PictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Far beyond any lane camera's picture; larger JPEGs are refused before
// anything is allocated for them.
inline constexpr std::int64_t kMaxPicturePixels = 64 * 1024 * 1024;
inline constexpr unsigned kMaxPictureSide = 16384;

// Decodes at the smallest DCT scale (1/8, 1/4, 1/2 or 1/1) whose output still
// covers `target` in both dimensions, into a Format_RGB32 image.
QImage DecodeJpegCovering(std::span<const std::uint8_t> jpeg, QSize target);

// Exactly `target`, aspect ratio not kept; an empty target gives a null image.
QImage StretchPicture(const QImage& picture, QSize target);

QImage DecodeJpegStretched(std::span<const std::uint8_t> jpeg, QSize target);

QByteArray ReadPictureFile(const QString& path);

inline std::span<const std::uint8_t> PictureBytes(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
          static_cast<std::size_t>(bytes.size())};
}
