#pragma once

#include <QByteArray>
#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>

namespace lanesim {

// One direction of a serial line as a clock: ten bits a byte (start, eight
// data, stop), one byte after the other. Bytes handed over at `now` go on the
// line once it is free and are through their line time later; a chunk is
// released whole when its last byte is through, or byte by byte as each is.
class LinePacer {
 public:
  using Nanos = std::chrono::nanoseconds;
  enum class Release { WholeChunks, EachByte };

  LinePacer(int baud, Release release);

  Nanos LineTime(std::size_t bytes) const;
  void Push(Nanos now, const QByteArray& bytes);
  // Everything through by `now`, in order.
  QByteArray TakeDue(Nanos now);
  std::optional<Nanos> NextDue() const;

 private:
  struct Pending {
    Nanos due;
    QByteArray bytes;
  };

  int baud_;
  Release release_;
  Nanos busyUntil_{0};
  std::deque<Pending> queue_;
};

}  // namespace lanesim
