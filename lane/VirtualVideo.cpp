#include "VirtualVideo.h"

namespace virtual_lane {

VirtualVideo::VirtualVideo(VirtualLaneWorld& world, QObject* parent)
    : camera::VideoBackend(parent), world_(world), artist_(std::make_unique<LaneArtist>()) {
  frameTimer_.setInterval(world_.Timings().frameIntervalMs);
  connect(&frameTimer_, &QTimer::timeout, this, [this] {
    if (lane_) {
      emit FrameChanged();
    } else {
      frameTimer_.stop();
    }
  });
}

VirtualVideo::~VirtualVideo() = default;

camera::Status VirtualVideo::PutStreamAddress(const QString& address) {
  lane_ = world_.LaneAt(address);
  if (lane_) {
    frameTimer_.start();
  } else {
    frameTimer_.stop();
  }
  emit FrameChanged();
  return camera::Status::Ok();
}

void VirtualVideo::Paint(QPainter& painter, const QRect& area) {
  if (lane_) {
    artist_->Paint(painter, area, lane_->Look());
  } else {
    LaneArtist::PaintNoSignal(painter, area);
  }
}

}  // namespace virtual_lane
