#pragma once

#include <QPointer>
#include <QTimer>
#include <memory>

#include "Lane.h"
#include "LaneArtist.h"
#include "VideoBackend.h"
#include "VirtualLaneWorld.h"

namespace virtual_lane {

// The video backend of the virtual lane: the lane at StreamAddress, live at
// frameIntervalMs; "0", empty or not an address shows a no-signal picture and
// runs no timer.
class VirtualVideo : public camera::VideoBackend {
  Q_OBJECT

 public:
  explicit VirtualVideo(VirtualLaneWorld& world, QObject* parent = nullptr);
  ~VirtualVideo() override;

  camera::Status PutStreamAddress(const QString& address) override;
  void Paint(QPainter& painter, const QRect& area) override;

  const Lane* Showing() const { return lane_; }
  bool Live() const { return frameTimer_.isActive(); }

 private:
  VirtualLaneWorld& world_;
  QPointer<Lane> lane_;
  QTimer frameTimer_;
  std::unique_ptr<LaneArtist> artist_;
};

}  // namespace virtual_lane
