#pragma once

#include <QByteArray>
#include <QSize>
#include <optional>

namespace lanectl {

// The picture's width and height from its JPEG header; nothing when it is no JPEG.
std::optional<QSize> JpegSize(const QByteArray& jpeg);

}  // namespace lanectl
