#pragma once

#include <QPointer>
#include <QTimer>
#include <memory>

#include "FrameSink.h"
#include "Lane.h"
#include "LaneArtist.h"
#include "LaneRenderer.h"
#include "VideoBackend.h"
#include "VirtualLaneWorld.h"

namespace virtual_lane {

// The video backend of the virtual lane: the lane at StreamAddress, live at
// frameIntervalMs; "0", empty or not an address shows a no-signal picture.
// With a frame sink the picture is drawn by a LaneRenderer on a thread of its
// own and shown by the sink, so it keeps moving while the GUI thread is held;
// without one it is painted on the GUI thread.
class VirtualVideo : public camera::VideoBackend {
  Q_OBJECT

 public:
  // `sink` may be null; when given it must outlive the video.
  explicit VirtualVideo(VirtualLaneWorld& world, camera::FrameSink* sink = nullptr,
                        QObject* parent = nullptr);
  ~VirtualVideo() override;

  camera::Status PutStreamAddress(const QString& address) override;
  void Paint(QPainter& painter, const QRect& area) override;
  void SetSurface(quintptr surface, QSize size) override;

  const Lane* Showing() const { return lane_; }
  bool Live() const { return frameTimer_.isActive(); }

 private:
  VirtualLaneWorld& world_;
  QPointer<Lane> lane_;
  QTimer frameTimer_;
  std::unique_ptr<LaneArtist> artist_;
  camera::FrameSink* sink_;
  quintptr surface_ = 0;
  std::unique_ptr<FrameTarget> toSink_;
  std::unique_ptr<LaneRenderer> renderer_;
};

}  // namespace virtual_lane
