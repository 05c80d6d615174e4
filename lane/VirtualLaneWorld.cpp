#include "VirtualLaneWorld.h"

#include <limits>

#include "CameraAddress.h"

namespace virtual_lane {

VirtualLaneWorld::VirtualLaneWorld(LaneTimings timings, QObject* parent)
    : QObject(parent), timings_(timings) {}

Lane* VirtualLaneWorld::LaneAt(const QString& address) {
  if (!camera::IsDottedIpv4(address)) return nullptr;
  auto [place, added] = lanes_.try_emplace(address, nullptr);
  if (added) place->second = new Lane(address, timings_, this);
  return place->second;
}

camera::CameraHandle VirtualLaneWorld::NewHandle() {
  lastHandle_ =
      lastHandle_ == std::numeric_limits<camera::CameraHandle>::max() ? 1 : lastHandle_ + 1;
  return lastHandle_;
}

}  // namespace virtual_lane
