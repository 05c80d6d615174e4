#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "LaneLook.h"

namespace lanesim {

class LiveSources;

// What the pump makes: BGRx frames (QImage's RGB32) of this size and rate.
inline constexpr int kVideoWidth = 1280;
inline constexpr int kVideoHeight = 720;
inline constexpr int kFramesPerSecond = 25;
inline constexpr std::chrono::milliseconds kFrameInterval{1000 / kFramesPerSecond};

// Paints the lane on a thread of its own, at the frame rate, while any source
// is live: each frame drawn by the lane's artist from the latest look and
// stamped with the moment it was drawn, then handed to every live source.
// Destroying the pump stops the thread and waits for it.
class FramePump {
 public:
  FramePump(std::function<virtual_lane::LaneLook()> look, const LiveSources& sources);
  FramePump(const FramePump&) = delete;
  FramePump& operator=(const FramePump&) = delete;

 private:
  void Run(std::stop_token stop);

  std::function<virtual_lane::LaneLook()> look_;
  const LiveSources& sources_;
  std::jthread thread_;
};

}  // namespace lanesim
