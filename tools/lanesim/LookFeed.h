#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <mutex>

#include "LaneLook.h"

namespace virtual_lane {
class Lane;
}

namespace lanesim {

// The lane's look, copied on the lane's thread once a frame, for a painter on
// another thread: the lane itself is never touched off its thread.
class LookFeed : public QObject {
  Q_OBJECT

 public:
  LookFeed(const virtual_lane::Lane& lane, std::chrono::milliseconds period,
           QObject* parent = nullptr);

  // Any thread.
  virtual_lane::LaneLook Latest() const;

 private:
  void Copy();

  const virtual_lane::Lane& lane_;
  QTimer timer_;
  mutable std::mutex mutex_;
  virtual_lane::LaneLook latest_;
};

}  // namespace lanesim
