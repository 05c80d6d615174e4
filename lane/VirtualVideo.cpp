#include "VirtualVideo.h"

#include <QPainter>

namespace virtual_lane {

VirtualVideo::VirtualVideo(VirtualLaneWorld& world, camera::FrameSink* sink, QObject* parent)
    : camera::VideoBackend(parent),
      world_(world),
      artist_(std::make_unique<LaneArtist>()),
      sink_(sink) {
  if (sink_ != nullptr) {
    renderer_ = std::make_unique<LaneRenderer>(*sink_, world_.Timings().frameIntervalMs);
  }
  frameTimer_.setInterval(world_.Timings().frameIntervalMs);
  connect(&frameTimer_, &QTimer::timeout, this, [this] {
    if (!lane_) {
      frameTimer_.stop();
      return;
    }
    TakeLook();
    if (surface_ == 0) emit FrameChanged();
  });
}

VirtualVideo::~VirtualVideo() = default;

void VirtualVideo::TakeLook() {
  if (renderer_) renderer_->SetLook(lane_ ? std::optional(lane_->Look()) : std::nullopt);
}

camera::Status VirtualVideo::PutStreamAddress(const QString& address) {
  lane_ = world_.LaneAt(address);
  if (lane_) {
    frameTimer_.start();
  } else {
    frameTimer_.stop();
  }
  TakeLook();
  emit FrameChanged();
  return camera::Status::Ok();
}

void VirtualVideo::SetSurface(quintptr surface, QSize size) {
  if (!renderer_) return;
  surface_ = surface;
  sink_->SetSurface(surface, size);
  renderer_->SetSize(size);
}

void VirtualVideo::Paint(QPainter& painter, const QRect& area) {
  if (renderer_) {
    // Where no surface was offered, the frames are drawn at the size painted.
    if (surface_ == 0) renderer_->SetSize(area.size());
    const QImage frame = sink_->LastFrame();
    if (!frame.isNull()) {
      painter.drawImage(area, frame);
      return;
    }
  }
  if (lane_) {
    artist_->Paint(painter, area, lane_->Look());
  } else {
    LaneArtist::PaintNoSignal(painter, area);
  }
}

}  // namespace virtual_lane
