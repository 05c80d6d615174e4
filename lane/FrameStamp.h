#pragma once

#include <QImage>
#include <QtGlobal>
#include <optional>

namespace virtual_lane {

// A frame's capture time in its top-left corner, readable back from the
// pixels after lossy compression, so latency can be measured end to end.
//
// Two rows of 32 blocks, each block 16×16 pixels (an H.264 macroblock), white
// for 1 and black for 0, read row by row, most significant bit first:
//   4 bits marker 1100, 40 bits the low bits of the capture time in epoch
//   milliseconds, 16 bits CRC-16/CCITT-FALSE over those 5 bytes, 4 bits
//   marker 0011.
// The CRC refuses any one, two or three misread blocks; a block neither
// clearly dark nor clearly light refuses the frame too.
inline constexpr int kFrameStampBlock = 16;
inline constexpr int kFrameStampColumns = 32;
inline constexpr int kFrameStampRows = 2;
inline constexpr int kFrameStampWidth = kFrameStampBlock * kFrameStampColumns;
inline constexpr int kFrameStampHeight = kFrameStampBlock * kFrameStampRows;

// Needs no painter active on `frame`; a frame smaller than the stamp keeps
// only the part that fits.
void PaintFrameStamp(QImage& frame, qint64 captureMs);

// The full capture time, taking the one nearest to `nowMs` among those with
// the stamp's low bits; nothing when the frame holds no readable stamp.
std::optional<qint64> ReadFrameStamp(const QImage& frame, qint64 nowMs);
std::optional<qint64> ReadFrameStamp(const QImage& frame);

}  // namespace virtual_lane
