#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

#include "LaneArtist.h"
#include "LaneLook.h"
#include "PlateEvent.h"

namespace virtual_lane {

// The lane camera's pictures: the plate event's scene and close-up, and the
// snapshot of the live frame. Images and artists are kept between shots, so
// a shot allocates only when a JPEG grows.
class SceneCamera {
 public:
  static constexpr QSize kSceneSize{1920, 1080};
  static constexpr QSize kCloseUpSize{440, 140};
  static constexpr QSize kSnapshotSize{1280, 720};

  SceneCamera();

  // `look` shows the car waiting at the stop line.
  void Photograph(const LaneLook& look, PlateEvent& event);
  const std::vector<std::uint8_t>& Snapshot(const LaneLook& look);

 private:
  LaneArtist sceneArtist_;
  LaneArtist snapshotArtist_;
  QImage scene_;
  QImage closeUp_;
  QImage snapshot_;
  std::vector<std::uint8_t> snapshotJpeg_;
};

}  // namespace virtual_lane
