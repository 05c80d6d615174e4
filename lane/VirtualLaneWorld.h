#pragma once

#include <QObject>
#include <QString>
#include <map>

#include "CameraTypes.h"
#include "Lane.h"
#include "LaneTimings.h"

namespace virtual_lane {

// Every valid dotted IPv4 address has a lane, made on first use and owned
// here. Cameras and videos that use the world must not outlive it.
class VirtualLaneWorld : public QObject {
  Q_OBJECT

 public:
  explicit VirtualLaneWorld(LaneTimings timings = {}, QObject* parent = nullptr);

  // nullptr unless the address is a dotted IPv4 address.
  Lane* LaneAt(const QString& address);
  const LaneTimings& Timings() const { return timings_; }
  // Handles are unique across all cameras of the world, always positive.
  camera::CameraHandle NewHandle();

 private:
  LaneTimings timings_;
  std::map<QString, Lane*> lanes_;
  camera::CameraHandle lastHandle_ = 0;
};

}  // namespace virtual_lane
