#include "LookFeed.h"

#include "Lane.h"

namespace lanesim {

LookFeed::LookFeed(const virtual_lane::Lane& lane, std::chrono::milliseconds period,
                   QObject* parent)
    : QObject(parent), lane_(lane), latest_(lane.Look()) {
  connect(&timer_, &QTimer::timeout, this, &LookFeed::Copy);
  timer_.start(period);
}

virtual_lane::LaneLook LookFeed::Latest() const {
  const std::lock_guard lock(mutex_);
  return latest_;
}

void LookFeed::Copy() {
  virtual_lane::LaneLook look = lane_.Look();
  const std::lock_guard lock(mutex_);
  latest_ = std::move(look);
}

}  // namespace lanesim
