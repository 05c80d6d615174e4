#include "VirtualVideo.h"

#include <QPainter>

namespace virtual_lane {
namespace {

class SinkTarget : public FrameTarget {
 public:
  explicit SinkTarget(camera::FrameSink& sink) : sink_(sink) {}

  QImage Canvas(QSize size) override { return QImage(size, QImage::Format_RGB32); }
  void Take(QImage& frame) override { sink_.Show(frame); }

 private:
  camera::FrameSink& sink_;
};

}  // namespace

VirtualVideo::VirtualVideo(VirtualLaneWorld& world, camera::FrameSink* sink, QObject* parent)
    : camera::VideoBackend(parent),
      world_(world),
      artist_(std::make_unique<LaneArtist>()),
      sink_(sink) {
  if (sink_ != nullptr) {
    toSink_ = std::make_unique<SinkTarget>(*sink_);
    renderer_ = std::make_unique<LaneRenderer>(*toSink_, world_.Timings().frameIntervalMs);
  }
  frameTimer_.setInterval(world_.Timings().frameIntervalMs);
  connect(&frameTimer_, &QTimer::timeout, this, [this] {
    if (!lane_) {
      frameTimer_.stop();
      return;
    }
    if (surface_ == 0) emit FrameChanged();
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
  if (renderer_) renderer_->Show(lane_);
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
    // Where no surface was offered, the frames are drawn at the size painted,
    // in device pixels.
    if (surface_ == 0) {
      renderer_->SetSize((QSizeF(area.size()) * painter.device()->devicePixelRatio()).toSize());
    }
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
