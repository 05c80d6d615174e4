#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace virtual_lane {

// One recognition: what the camera reports with its plate event.
struct PlateEvent {
  QString number;
  QString color;
  std::vector<std::uint8_t> sceneJpeg;    // 1920×1080
  std::vector<std::uint8_t> closeUpJpeg;  // 440×140, cut from the scene
  float confidence = 0;
  std::int32_t captureTime = 0;  // seconds since the epoch
};

}  // namespace virtual_lane
