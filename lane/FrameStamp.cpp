#include "FrameStamp.h"

#include <QDateTime>
#include <QPainter>

namespace virtual_lane {
namespace {

constexpr int kBits = kFrameStampColumns * kFrameStampRows;
constexpr int kTimeBits = 40;
constexpr qint64 kTimePeriod = qint64{1} << kTimeBits;
constexpr quint64 kTimeMask = kTimePeriod - 1;
constexpr quint64 kLeadingMarker = 0b1100;
constexpr quint64 kTrailingMarker = 0b0011;
constexpr int kCrcShift = 4;
constexpr int kTimeShift = 20;
constexpr int kLeadingShift = 60;

// A block's centre is sampled, away from the ringing a codec leaves at its
// edges, and must sit clearly on one side of mid grey.
constexpr int kSampleSide = 4;
constexpr int kMidGrey = 128;
constexpr int kDoubt = 40;

quint16 Crc16(quint64 time) {
  quint16 crc = 0xFFFF;
  for (int byte = kTimeBits / 8 - 1; byte >= 0; --byte) {
    crc ^= static_cast<quint16>(((time >> (8 * byte)) & 0xFF) << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<quint16>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return crc;
}

quint64 Word(quint64 time) {
  return kLeadingMarker << kLeadingShift | time << kTimeShift | quint64{Crc16(time)} << kCrcShift |
         kTrailingMarker;
}

QRect Block(int index) {
  return {index % kFrameStampColumns * kFrameStampBlock,
          index / kFrameStampColumns * kFrameStampBlock, kFrameStampBlock, kFrameStampBlock};
}

bool BitOf(quint64 word, int index) {
  return (word >> (kBits - 1 - index)) & 1;
}

std::optional<bool> ReadBlock(const QImage& frame, const QRect& block) {
  const int left = block.left() + (kFrameStampBlock - kSampleSide) / 2;
  const int top = block.top() + (kFrameStampBlock - kSampleSide) / 2;
  int sum = 0;
  for (int y = top; y < top + kSampleSide; ++y) {
    for (int x = left; x < left + kSampleSide; ++x) sum += qGray(frame.pixel(x, y));
  }
  const int level = sum / (kSampleSide * kSampleSide);
  if (level < kMidGrey - kDoubt) return false;
  if (level > kMidGrey + kDoubt) return true;
  return std::nullopt;
}

qint64 Nearest(quint64 low, qint64 nowMs) {
  qint64 ms = (nowMs & ~static_cast<qint64>(kTimeMask)) | static_cast<qint64>(low);
  if (ms - nowMs > kTimePeriod / 2) ms -= kTimePeriod;
  if (nowMs - ms > kTimePeriod / 2) ms += kTimePeriod;
  return ms;
}

}  // namespace

void PaintFrameStamp(QImage& frame, qint64 captureMs) {
  const quint64 word = Word(static_cast<quint64>(captureMs) & kTimeMask);
  QPainter painter(&frame);
  for (int index = 0; index < kBits; ++index) {
    painter.fillRect(Block(index), BitOf(word, index) ? Qt::white : Qt::black);
  }
}

std::optional<qint64> ReadFrameStamp(const QImage& frame, qint64 nowMs) {
  if (frame.width() < kFrameStampWidth || frame.height() < kFrameStampHeight) return std::nullopt;
  quint64 word = 0;
  for (int index = 0; index < kBits; ++index) {
    const std::optional<bool> bit = ReadBlock(frame, Block(index));
    if (!bit) return std::nullopt;
    word = word << 1 | quint64{*bit};
  }
  const quint64 time = (word >> kTimeShift) & kTimeMask;
  if (word != Word(time)) return std::nullopt;
  return Nearest(time, nowMs);
}

std::optional<qint64> ReadFrameStamp(const QImage& frame) {
  return ReadFrameStamp(frame, QDateTime::currentMSecsSinceEpoch());
}

}  // namespace virtual_lane
