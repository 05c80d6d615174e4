#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace lanesim::onvif {

struct Notification {
  QString plate;
  QString xml;  // a wsnt:NotificationMessage
};

// The pull-point subscriptions: a queue of notifications each, filled by
// Publish and emptied by Pull, which waits for the first one as a long poll.
// A subscription ends at its termination time unless a pull or a renewal
// moves it on. Any thread.
class PullPoints {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::size_t kMostSubscriptions = 16;
  static constexpr std::size_t kMostQueued = 64;

  ~PullPoints();

  // The new subscription's id, or nullopt when kMostSubscriptions are alive.
  // Each pull keeps it alive for `lifetime` after it returns.
  std::optional<int> Create(Clock::duration lifetime);
  // False for a subscription that is not (or no longer) there.
  bool Renew(int id, Clock::time_point termination);
  bool Remove(int id);
  std::optional<Clock::time_point> Termination(int id);
  bool Exists(int id);

  void Publish(const Notification& notification);
  // Waits up to `timeout` for at least one notification and returns up to
  // `limit` of them; empty at the timeout or at Close; nullopt when the
  // subscription is unknown or ends meanwhile.
  std::optional<std::vector<Notification>> Pull(int id, std::chrono::milliseconds timeout,
                                                std::size_t limit);
  // Every waiting pull returns at once; later ones do not wait.
  void Close();

 private:
  struct Subscription {
    Clock::duration lifetime;
    Clock::time_point termination;
    std::deque<Notification> queue;
    int pulling = 0;
  };
  void DropExpired();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, Subscription> subscriptions_;
  int nextId_ = 1;
  bool closed_ = false;
};

}  // namespace lanesim::onvif
