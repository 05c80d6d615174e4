#pragma once

#include <QSize>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "FrameSink.h"
#include "LaneLook.h"

namespace virtual_lane {

// Draws the lane's picture on a thread of its own, frameIntervalMs apart,
// from the newest copy of its look, and hands each frame to the sink: the
// video keeps moving while the GUI thread, where the lane lives, is held.
class LaneRenderer {
 public:
  LaneRenderer(camera::FrameSink& sink, int frameIntervalMs);
  ~LaneRenderer();
  LaneRenderer(const LaneRenderer&) = delete;
  LaneRenderer& operator=(const LaneRenderer&) = delete;

  // Nothing: the no-signal picture.
  void SetLook(std::optional<LaneLook> look);
  void SetSize(QSize size);

 private:
  void Run();

  camera::FrameSink& sink_;
  const int frameIntervalMs_;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool running_ = true;
  std::optional<LaneLook> look_;
  QSize size_;
  std::thread thread_;
};

}  // namespace virtual_lane
