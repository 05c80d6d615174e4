#include "PacedLink.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "Lane.h"

namespace lanesim {

PacedLink::PacedLink(LineEnd& line, virtual_lane::Lane& lane, int baud, QObject* parent)
    : QObject(parent),
      line_(line),
      lane_(lane),
      toLane_(baud, LinePacer::Release::WholeChunks),
      toLine_(baud, LinePacer::Release::EachByte) {
  clock_.start();
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &PacedLink::Pump);
  connect(&line_, &LineEnd::Received, this, [this](const QByteArray& bytes) {
    toLane_.Push(Now(), bytes);
    Schedule();
  });
  connect(&lane_, &virtual_lane::Lane::SerialOut, this, [this](const QByteArray& bytes) {
    toLine_.Push(Now(), bytes);
    Schedule();
  });
}

LinePacer::Nanos PacedLink::Now() const {
  return LinePacer::Nanos(clock_.nsecsElapsed());
}

void PacedLink::Pump() {
  const LinePacer::Nanos now = Now();
  const QByteArray toLane = toLane_.TakeDue(now);
  if (!toLane.isEmpty()) {
    lane_.ReceiveSerial(std::span(reinterpret_cast<const std::uint8_t*>(toLane.constData()),
                                  static_cast<std::size_t>(toLane.size())));
  }
  const QByteArray toLine = toLine_.TakeDue(now);
  if (!toLine.isEmpty()) line_.Send(toLine);
  Schedule();
}

// Timers count whole milliseconds: rounding up keeps every byte from being
// early, at the cost of being up to a millisecond late.
void PacedLink::Schedule() {
  const auto lane = toLane_.NextDue();
  const auto line = toLine_.NextDue();
  if (!lane && !line) {
    timer_.stop();
    return;
  }
  const LinePacer::Nanos next =
      std::min(lane.value_or(LinePacer::Nanos::max()), line.value_or(LinePacer::Nanos::max()));
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Now());
  timer_.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count())));
}

}  // namespace lanesim
