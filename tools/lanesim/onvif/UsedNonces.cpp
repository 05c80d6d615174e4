#include "UsedNonces.h"

namespace lanesim::onvif {

bool UsedNonces::FirstUse(const QByteArray& nonce) {
  const std::lock_guard lock(mutex_);
  const Clock::time_point now = Clock::now();
  std::erase_if(seen_, [&](const auto& entry) { return now - entry.second > memory_; });
  return seen_.emplace(nonce, now).second;
}

}  // namespace lanesim::onvif
