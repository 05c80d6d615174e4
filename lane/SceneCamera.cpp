#include "SceneCamera.h"

#include <QPainter>

#include "JpegEncoder.h"

namespace virtual_lane {
namespace {

constexpr int kQuality = 85;

}  // namespace

SceneCamera::SceneCamera()
    : scene_(kSceneSize, QImage::Format_RGB32),
      closeUp_(kCloseUpSize, QImage::Format_RGB32),
      snapshot_(kSnapshotSize, QImage::Format_RGB32) {}

void SceneCamera::Photograph(const LaneLook& look, PlateEvent& event) {
  {
    QPainter painter(&scene_);
    sceneArtist_.Paint(painter, scene_.rect(), look);
  }
  {
    QPainter painter(&closeUp_);
    sceneArtist_.PaintPlateCloseUp(painter, closeUp_.rect(), look);
  }
  camera::EncodeJpeg(scene_, kQuality, event.sceneJpeg);
  camera::EncodeJpeg(closeUp_, kQuality, event.closeUpJpeg);
}

const std::vector<std::uint8_t>& SceneCamera::Snapshot(const LaneLook& look) {
  {
    QPainter painter(&snapshot_);
    snapshotArtist_.Paint(painter, snapshot_.rect(), look);
  }
  camera::EncodeJpeg(snapshot_, kQuality, snapshotJpeg_);
  return snapshotJpeg_;
}

}  // namespace virtual_lane
