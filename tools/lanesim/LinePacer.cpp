#include "LinePacer.h"

#include <algorithm>
#include <cstdint>

namespace lanesim {
namespace {

constexpr std::int64_t kBitsPerByte = 10;
constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

}  // namespace

LinePacer::LinePacer(int baud, Release release) : baud_(baud), release_(release) {}

// From the start of the first byte, so that rounding never piles up byte by byte.
LinePacer::Nanos LinePacer::LineTime(std::size_t bytes) const {
  return Nanos(static_cast<std::int64_t>(bytes) * kBitsPerByte * kNanosPerSecond / baud_);
}

void LinePacer::Push(Nanos now, const QByteArray& bytes) {
  if (bytes.isEmpty()) return;
  const Nanos start = std::max(now, busyUntil_);
  const auto count = static_cast<std::size_t>(bytes.size());
  busyUntil_ = start + LineTime(count);
  if (release_ == Release::WholeChunks) {
    queue_.push_back({busyUntil_, bytes});
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    queue_.push_back({start + LineTime(i + 1), bytes.mid(static_cast<qsizetype>(i), 1)});
  }
}

QByteArray LinePacer::TakeDue(Nanos now) {
  QByteArray due;
  while (!queue_.empty() && queue_.front().due <= now) {
    due += queue_.front().bytes;
    queue_.pop_front();
  }
  return due;
}

std::optional<LinePacer::Nanos> LinePacer::NextDue() const {
  if (queue_.empty()) return std::nullopt;
  return queue_.front().due;
}

}  // namespace lanesim
