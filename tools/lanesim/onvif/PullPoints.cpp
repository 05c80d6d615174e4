#include "PullPoints.h"

#include <algorithm>

namespace lanesim::onvif {

PullPoints::~PullPoints() {
  Close();
}

void PullPoints::DropExpired() {
  const Clock::time_point now = Clock::now();
  std::erase_if(subscriptions_, [now](const auto& entry) {
    return entry.second.pulling == 0 && entry.second.termination < now;
  });
}

std::optional<int> PullPoints::Create(Clock::duration lifetime) {
  const std::lock_guard lock(mutex_);
  DropExpired();
  if (subscriptions_.size() >= kMostSubscriptions) return std::nullopt;
  const int id = nextId_++;
  subscriptions_[id] = {lifetime, Clock::now() + lifetime, {}, 0};
  return id;
}

bool PullPoints::Renew(int id, Clock::time_point termination) {
  const std::lock_guard lock(mutex_);
  DropExpired();
  const auto found = subscriptions_.find(id);
  if (found == subscriptions_.end()) return false;
  found->second.termination = termination;
  return true;
}

bool PullPoints::Remove(int id) {
  const std::lock_guard lock(mutex_);
  DropExpired();
  const bool removed = subscriptions_.erase(id) > 0;
  changed_.notify_all();
  return removed;
}

std::optional<PullPoints::Clock::time_point> PullPoints::Termination(int id) {
  const std::lock_guard lock(mutex_);
  const auto found = subscriptions_.find(id);
  if (found == subscriptions_.end()) return std::nullopt;
  return found->second.termination;
}

bool PullPoints::Exists(int id) {
  const std::lock_guard lock(mutex_);
  DropExpired();
  return subscriptions_.contains(id);
}

// The oldest waiting notification gives way: a client that stopped pulling
// would otherwise hold the lane's pictures for ever.
void PullPoints::Publish(const Notification& notification) {
  const std::lock_guard lock(mutex_);
  DropExpired();
  for (auto& [id, subscription] : subscriptions_) {
    if (subscription.queue.size() == kMostQueued) subscription.queue.pop_front();
    subscription.queue.push_back(notification);
  }
  changed_.notify_all();
}

std::optional<std::vector<Notification>> PullPoints::Pull(int id, std::chrono::milliseconds timeout,
                                                          std::size_t limit) {
  std::unique_lock lock(mutex_);
  DropExpired();
  auto found = subscriptions_.find(id);
  if (found == subscriptions_.end()) return std::nullopt;
  ++found->second.pulling;
  const Clock::time_point deadline = Clock::now() + timeout;
  changed_.wait_until(lock, deadline, [&] {
    found = subscriptions_.find(id);
    return closed_ || found == subscriptions_.end() || !found->second.queue.empty();
  });
  if (found == subscriptions_.end()) return std::nullopt;
  Subscription& subscription = found->second;
  --subscription.pulling;
  subscription.termination =
      std::max(subscription.termination, Clock::now() + subscription.lifetime);
  std::vector<Notification> taken;
  while (!subscription.queue.empty() && taken.size() < limit) {
    taken.push_back(std::move(subscription.queue.front()));
    subscription.queue.pop_front();
  }
  return taken;
}

void PullPoints::Close() {
  const std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

}  // namespace lanesim::onvif
