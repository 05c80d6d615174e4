#pragma once

#include <QPointer>
#include <QSize>
#include <QTimer>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "FrameTarget.h"
#include "LaneLook.h"

namespace virtual_lane {

class Lane;

// Draws a lane's picture on a thread of its own, frameIntervalMs apart, and
// hands each frame to the target: the video keeps moving while the thread the
// lane lives on is held. The lane is never touched off its thread: a copy of
// its look is taken there every frame, so the renderer is made on that thread.
class LaneRenderer {
 public:
  LaneRenderer(FrameTarget& target, int frameIntervalMs);
  ~LaneRenderer();
  LaneRenderer(const LaneRenderer&) = delete;
  LaneRenderer& operator=(const LaneRenderer&) = delete;

  // Nothing, or a lane that is gone: the no-signal picture.
  void Show(const Lane* lane);
  // In device pixels; nothing is drawn while it is empty.
  void SetSize(QSize size);

 private:
  void TakeLook();
  void Run();

  FrameTarget& target_;
  const int frameIntervalMs_;
  QPointer<const Lane> lane_;
  QTimer looks_;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool running_ = true;
  std::optional<LaneLook> look_;
  QSize size_;
  std::thread thread_;
};

}  // namespace virtual_lane
