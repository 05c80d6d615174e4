#pragma once

#include <QByteArray>
#include <chrono>
#include <map>
#include <mutex>

namespace lanesim::onvif {

// The UsernameToken nonces seen lately: a token sent again is a replay, as
// cameras refuse it. Remembered as long as a Created could still pass. Any thread.
class UsedNonces {
 public:
  using Clock = std::chrono::steady_clock;
  explicit UsedNonces(Clock::duration memory) : memory_(memory) {}

  // True the first time within the memory, false for a replay.
  bool FirstUse(const QByteArray& nonce);

 private:
  Clock::duration memory_;
  std::mutex mutex_;
  std::map<QByteArray, Clock::time_point> seen_;
};

}  // namespace lanesim::onvif
